#include "options/compress_page.h"

#include <windows.h>

#include "archiver/zent_types.h"
#include "options/options_ids.h"
#include "options/sheet.h"

Options_CompressPageWindow::Options_CompressPageWindow(Zent_Settings* settings)
    : Dialog_Page(IDD_COMPRESS_PAGE), settings_(settings) {}

void Options_CompressPageWindow::OnInit() {
    for (int pos = 0; pos < Zent_FormatCount(); pos++)
        Dialog_ComboAdd(Window(), IDC_COMPRESS_TYPE, Zent_Type(Zent_TypeOfPos(pos)).option_name);
    Dialog_ComboSelect(Window(), IDC_COMPRESS_TYPE, Zent_PosOfType(settings_->DefCompressType));
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
    int position = Dialog_ComboSelected(Window(), IDC_COMPRESS_TYPE);
    // Nothing selected (the stored type is one the list does not offer): it stays.
    int type = Zent_TypeOfPos(position);
    if (position >= 0 && type != Zent_NotArcType) settings_->DefCompressType = type;
    settings_->DelOrgOnMenu = Dialog_IsChecked(Window(), IDC_COMPRESS_DEL_MENU);
    settings_->DelOrgOnDrop = Dialog_IsChecked(Window(), IDC_COMPRESS_DEL_DROP);
    Options_Save(Window(), settings_);
    return true;
}
