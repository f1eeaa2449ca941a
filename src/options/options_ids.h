#pragma once
// Templates and control ids of the options sheet's own pages, shared by the resource script
// and the code.
#define IDD_MELT_PAGE 134
#define IDD_COMPRESS_PAGE 143
#define IDD_VERSION_PAGE 144

// Melt page "解凍"
#define IDC_MELT_CACHE_CLEAR 1026
#define IDC_MELT_CACHE_OPEN 1027
#define IDC_MELT_CACHE_PATH 1028
#define IDC_MELT_INSTALL_PATH 1029
#define IDC_MELT_INSTALL_BROWSE 1034
#define IDC_MELT_INSTALL_OPEN 1035
#define IDC_MELT_STD_BROWSE 1036
#define IDC_MELT_STD_PATH 1074
#define IDC_MELT_STD_OPEN 1102
#define IDC_MELT_DBLCLK_TO 1093
#define IDC_MELT_DROP_ACTION 1094
#define IDC_MELT_DBLCLK_ACTION 1095
#define IDC_MELT_DROP_TO 1096

// Compress page "圧縮"
#define IDC_COMPRESS_TYPE 1062
#define IDC_COMPRESS_DEL_DROP 1079
#define IDC_COMPRESS_DEL_MENU 1080

// Version page "バージョン"
#define IDC_VERSION_ICON 1000
#define IDC_VERSION_NUMBER 1001
