#pragma once
// Template and control ids of the auto-open rule page, shared by the resource script and
// the code.
#define IDD_RULE_PAGE 138
#define IDC_RULE_DELETE 1044
#define IDC_RULE_LIST 1063
#define IDC_RULE_SECURITY 1064
#define IDC_RULE_CMDTYPE 1065
#define IDC_RULE_UP 1066
#define IDC_RULE_DOWN 1067
#define IDC_RULE_MATCH 1068
#define IDC_RULE_WILDCARD 1069
#define IDC_RULE_COMMAND 1070
#define IDC_RULE_NEW 1071
#define IDC_RULE_VERBS 1072
#define IDC_RULE_FREE_VERB 1076
