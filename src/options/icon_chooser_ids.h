#pragma once
// Template and control ids of the icon chooser "アイコンの選択", shared by the resource
// script and the code.
#define IDD_ICON_CHOOSER 153

#define IDC_ICONS_FILE 1036
#define IDC_ICONS_BROWSE 1035
#define IDC_ICONS_LOAD 1038
#define IDC_ICONS_NEXT 1029
#define IDC_ICONS_PREVIOUS 1030
#define IDC_ICONS_PAGE 1037
#define IDC_ICONS_COUNT 1039
// The 36 icon cells, column by column (four rows each), are listed in icon_chooser.cpp;
// their ids run from 1000 to 1042, skipping the ids above.
