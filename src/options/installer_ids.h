#pragma once
// Template and control ids of the DLL installer page "DLL インストーラ", shared by the
// resource script and the code.
#define IDD_INSTALLER_PAGE 141

#define IDC_INSTALLER_OPEN_SYSTEM 1078
#define IDC_INSTALLER_SEARCH 1089

// One check box per archiver DLL, in the order of the DLL table.
#define IDC_INSTALLER_UNLHA32 1100
#define IDC_INSTALLER_UNZIP32 1101
#define IDC_INSTALLER_ZIP32 1081
#define IDC_INSTALLER_CAB32 1082
#define IDC_INSTALLER_UNRAR 1083
#define IDC_INSTALLER_UNARJ32J 1084
#define IDC_INSTALLER_YZ1 1085
#define IDC_INSTALLER_UNGCA32 1086
#define IDC_INSTALLER_TAR32 1087
#define IDC_INSTALLER_7ZIP32 1088

// The icons of the archive types, one per icon slot; UNZIP32.DLL and ZIP32.DLL share one.
#define IDC_INSTALLER_ICON_LZH 1106
#define IDC_INSTALLER_ICON_ZIP 1107
#define IDC_INSTALLER_ICON_CAB 1108
#define IDC_INSTALLER_ICON_RAR 1109
#define IDC_INSTALLER_ICON_ARJ 1110
#define IDC_INSTALLER_ICON_YZ1 1111
#define IDC_INSTALLER_ICON_GCA 1112
#define IDC_INSTALLER_ICON_TAR 1113
#define IDC_INSTALLER_ICON_7Z 1114
