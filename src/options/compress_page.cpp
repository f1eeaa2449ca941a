#include "options/compress_page.h"

#include <windows.h>

#include "archiver/zent_types.h"
#include "options/options_ids.h"
#include "options/sheet.h"

Options_CompressPageWindow::Options_CompressPageWindow(Zent_Settings* settings)
    : Dialog_Page(IDD_COMPRESS_PAGE), settings_(settings) {}

void Options_CompressPageWindow::OnInit() {
    HWND list = Item(IDC_COMPRESS_TYPE);
    for (int pos = 0; pos < Zent_FormatCount(); pos++) {
        const char* text = Zent_Type(Zent_TypeOfPos(pos)).option_name;
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(list, CB_SETCURSEL, Zent_PosOfType(settings_->DefCompressType), 0);
    Dialog_Check(Window(), IDC_COMPRESS_DEL_MENU, settings_->DelOrgOnMenu != 0);
    Dialog_Check(Window(), IDC_COMPRESS_DEL_DROP, settings_->DelOrgOnDrop != 0);
}

void Options_CompressPageWindow::OnCommand(int id, int code) {
    bool list_changed = id == IDC_COMPRESS_TYPE && code == CBN_SELCHANGE;
    bool checked =
        (id == IDC_COMPRESS_DEL_MENU || id == IDC_COMPRESS_DEL_DROP) && code == BN_CLICKED;
    if (list_changed || checked) Changed();
}

bool Options_CompressPageWindow::OnApply() {
    int position =
        static_cast<int>(SendDlgItemMessageA(Window(), IDC_COMPRESS_TYPE, CB_GETCURSEL, 0, 0));
    // Nothing selected (the stored type is one the list does not offer): it stays.
    int type = Zent_TypeOfPos(position);
    if (position >= 0 && type != Zent_NotArcType) settings_->DefCompressType = type;
    settings_->DelOrgOnMenu = Dialog_IsChecked(Window(), IDC_COMPRESS_DEL_MENU);
    settings_->DelOrgOnDrop = Dialog_IsChecked(Window(), IDC_COMPRESS_DEL_DROP);
    SaveSettingsFromApp(settings_);
    return true;
}
