#pragma once
// Control ids of the install dialog, shared by the resource script and the code.
#define IDD_INSTALL 136
#define IDC_INSTALL_INTRO 1113
#define IDC_INSTALL_PLACE 1093
#define IDC_INSTALL_OPTIONS 1032
#define IDC_INSTALL_PATH 1074
#define IDC_INSTALL_BROWSE 1057
#define IDC_INSTALL_NAME 1052
#define IDC_INSTALL_HELP 1023
