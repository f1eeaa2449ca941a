#pragma once
// Control ids of the safety confirmation dialog, shared by the resource script and the code.
#define IDD_SAFETY 129
#define IDC_SAFETY_ICON 1040
#define IDC_SAFETY_MENU 1041
#define IDC_SAFETY_MENU_LABEL 1042
#define IDC_SAFETY_QUESTION 1043
#define IDC_SAFETY_SIZE 1045
#define IDC_SAFETY_TIME 1105
#define IDC_SAFETY_INTERNET 1106
#define IDC_SAFETY_WARNING 1107
#define IDC_SAFETY_DONT_ASK 1079
#define IDC_SAFETY_OPEN_FOLDER 1027
