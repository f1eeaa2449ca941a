#include "folders/freeze_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "archiver/dllbind.h"
#include "archiver/zent_types.h"
#include "folders/freeze.h"
#include "folders/freeze_ids.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/sheet.h"
#include "shell/dialog.h"
#include "shell/winx_zone.h"

// ---- Rules -----------------------------------------------------------------------------

const char Freeze_VariablesHelp[] =
    "解凍先には、次の変数が使えます。\r\n%ProgramFiles%   c:\\Program Files\r\n%SystemDir%   "
    "c:\\wondows\\system\r\n%WinDir%   c:\\windows\r\n%WORK%   "
    "c:\\windows\\temp\r\n何も指定しないと実行ファイルのあるフォルダに解凍します。";

Freeze_DialogView Freeze_ViewOf(const Freeze_DialogState& state) {
    Freeze_DialogView view{};
    int type = Zent_TypeOfPos(state.format);
    const Zent_TypeInfo& info = Zent_Type(type);
    view.self_extract_enabled = info.self_extract;
    view.self_extract = view.self_extract_enabled && state.self_extract;
    view.question_enabled = state.ask;
    view.message_enabled = state.install;
    snprintf(view.extension, sizeof view.extension, ".%s",
             view.self_extract ? "exe" : Zent_ExtOfType(type));
    view.options_shown = view.self_extract && info.self_extract_options;
    view.height = view.options_shown ? Freeze_TallHeight : Freeze_SmallHeight;
    view.destination_label = state.install ? "デフォルト解凍先(&O):" : "解凍先(&O):";
    view.destination_label_width = state.install ? 130 : 100;
    return view;
}

bool Freeze_StoreFolderAtFirst(const char* folder) {
    char pattern[StrX_PathSize];
    StrX_Join(StdPlus_CopyN(pattern, folder, sizeof pattern), "*");
    Own_Find find(pattern);
    // The web's mark beside a file (a name of its own under Wine) is no entry.
    int entries = 0;
    bool lone_file = false;
    while (entries < 2 && find.Next()) {
        if (WinX_IsStreamName(find.Name())) continue;
        lone_file = !find.IsDir();
        entries++;
    }
    return !(entries == 1 && lone_file);
}

void Freeze_InitialTexts(const char* folder, Freeze_Texts* t) {
    char path[StrX_PathSize];
    StdPlus_DropTrailChar(StdPlus_CopyN(path, folder, sizeof path), '\\');
    snprintf(t->caption, sizeof t->caption, "%s を圧縮します。", path);
    StrX_CopyFileName(t->name, path);
    snprintf(t->title, sizeof t->title, "%s インストール", t->name);
    snprintf(t->question, sizeof t->question, "%s をインストールします。よろしいですか？", t->name);
    snprintf(t->command, sizeof t->command, "explorer \"%s\"", t->name);
}

// ---- The dialog --------------------------------------------------------------------------

namespace {

const int kOptionControls[] = {
    IDC_FREEZE_OPTIONS_GROUP, IDC_FREEZE_TITLE_LABEL,    IDC_FREEZE_INSTALL_TITLE,
    IDC_FREEZE_ASK,           IDC_FREEZE_QUESTION,       IDC_FREEZE_USER_CHOOSES,
    IDC_FREEZE_MESSAGE_LABEL, IDC_FREEZE_MESSAGE,        IDC_FREEZE_DESTINATION_LABEL,
    IDC_FREEZE_DESTINATION,   IDC_FREEZE_VARIABLES_HELP, IDC_FREEZE_COMMAND_LABEL,
    IDC_FREEZE_COMMAND};

class FreezeDialog : public Dialog_Modal {
public:
    FreezeDialog(Zent_Settings* settings, const char* folder) : settings_(settings) {
        StdPlus_DropTrailChar(StdPlus_CopyN(folder_, folder, sizeof folder_), '\\');
    }

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;

private:
    Freeze_DialogState ReadState() const;
    void Update();
    void ReadChoice(Freeze_Choice* choice) const;
    void Commit();

    Zent_Settings* settings_;
    char folder_[StrX_PathSize];
};

void FreezeDialog::OnInit() {
    HWND dialog = Window();
    Freeze_Texts texts;
    Freeze_InitialTexts(folder_, &texts);
    Dialog_SetText(dialog, IDC_FREEZE_CAPTION, texts.caption);
    Dialog_SetText(dialog, IDC_FREEZE_NAME, texts.name);
    Dialog_Check(dialog, IDC_FREEZE_SAME_FOLDER, true);
    Dialog_Check(dialog, IDC_FREEZE_STORE_FOLDER, Freeze_StoreFolderAtFirst(folder_));
    for (int pos = 0; pos < Zent_FormatCount(); pos++)
        Dialog_ComboAdd(dialog, IDC_FREEZE_FORMAT, Zent_Type(Zent_TypeOfPos(pos)).format_name);
    int position = Zent_PosOfType(settings_->DefCompressType);
    Dialog_ComboSelect(dialog, IDC_FREEZE_FORMAT, position < 0 ? 0 : position);
    Dialog_SetText(dialog, IDC_FREEZE_INSTALL_TITLE, texts.title);
    Dialog_SetText(dialog, IDC_FREEZE_QUESTION, texts.question);
    Dialog_Check(dialog, IDC_FREEZE_USER_CHOOSES, true);
    Dialog_SetText(dialog, IDC_FREEZE_MESSAGE, "インストールするフォルダ");
    Dialog_SetText(dialog, IDC_FREEZE_COMMAND, texts.command);
    Update();
}

Freeze_DialogState FreezeDialog::ReadState() const {
    Freeze_DialogState state{};
    state.format = Dialog_ComboSelected(Window(), IDC_FREEZE_FORMAT);
    state.self_extract = Dialog_IsChecked(Window(), IDC_FREEZE_SELF_EXTRACT);
    state.ask = Dialog_IsChecked(Window(), IDC_FREEZE_ASK);
    state.install = Dialog_IsChecked(Window(), IDC_FREEZE_USER_CHOOSES);
    return state;
}

void FreezeDialog::Update() {
    HWND dialog = Window();
    Freeze_DialogView view = Freeze_ViewOf(ReadState());
    Dialog_Check(dialog, IDC_FREEZE_SELF_EXTRACT, view.self_extract);
    Dialog_Enable(dialog, IDC_FREEZE_SELF_EXTRACT, view.self_extract_enabled);
    Dialog_Enable(dialog, IDC_FREEZE_QUESTION, view.question_enabled);
    Dialog_Enable(dialog, IDC_FREEZE_MESSAGE, view.message_enabled);
    Dialog_SetText(dialog, IDC_FREEZE_EXTENSION, view.extension);
    Dialog_SetText(dialog, IDC_FREEZE_DESTINATION_LABEL, view.destination_label);
    Dialog_SetWidth(dialog, IDC_FREEZE_DESTINATION_LABEL, view.destination_label_width);
    for (int id : kOptionControls) Dialog_Show(dialog, id, view.options_shown);
    Dialog_SetHeight(dialog, view.height);
}

void FreezeDialog::ReadChoice(Freeze_Choice* c) const {
    HWND dialog = Window();
    memset(c, 0, sizeof *c);
    Dialog_GetText(dialog, IDC_FREEZE_NAME, c->name, sizeof c->name);
    c->output = Dialog_IsChecked(dialog, IDC_FREEZE_DESKTOP)  ? Freeze_Desktop
                : Dialog_IsChecked(dialog, IDC_FREEZE_FLOPPY) ? Freeze_Floppy
                                                              : Freeze_SameFolder;
    c->delete_folder = Dialog_IsChecked(dialog, IDC_FREEZE_DELETE);
    c->store_folder = Dialog_IsChecked(dialog, IDC_FREEZE_STORE_FOLDER);
    c->self_extract = Dialog_IsChecked(dialog, IDC_FREEZE_SELF_EXTRACT);
    c->type = Zent_TypeOfPos(ReadState().format);
    Zent_SfxOptions& o = c->sfx;
    o.ask = Dialog_IsChecked(dialog, IDC_FREEZE_ASK);
    Dialog_GetText(dialog, IDC_FREEZE_QUESTION, o.question, sizeof o.question);
    o.install = Dialog_IsChecked(dialog, IDC_FREEZE_USER_CHOOSES);
    Dialog_GetText(dialog, IDC_FREEZE_INSTALL_TITLE, o.title, sizeof o.title);
    Dialog_GetText(dialog, IDC_FREEZE_MESSAGE, o.message, sizeof o.message);
    Dialog_GetText(dialog, IDC_FREEZE_DESTINATION, o.folder, sizeof o.folder);
    Dialog_GetText(dialog, IDC_FREEZE_COMMAND, o.command, sizeof o.command);
}

void FreezeDialog::Commit() {
    Freeze_Choice choice;
    ReadChoice(&choice);
    {
        Dialog_WaitCursor wait;
        // "No" to the overwrite question, or a cancel in the archiver, ends it quietly.
        Zent_UnlessCancelled([&] { Freeze_Commit(settings_, folder_, choice, Window()); });
    }
    End(IDOK);
}

void FreezeDialog::OnCommand(int id, int code) {
    if (id == IDC_FREEZE_FORMAT) {
        if (code == CBN_SELCHANGE) Update();
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_FREEZE_SELF_EXTRACT:
        case IDC_FREEZE_ASK:
        case IDC_FREEZE_USER_CHOOSES:
            Update();
            break;
        case IDC_FREEZE_VARIABLES_HELP:
            MessageBoxA(Window(), Freeze_VariablesHelp, "ヘルプ - Quarvel", MB_OK);
            break;
        case IDC_FREEZE_SETTINGS:
            ShowOptions(settings_, Options_LastPage);
            break;
        case IDC_FREEZE_HELP:
            Dialog_OpenHelp(Window(), "index.htm#dll", "圧縮 - Quarvel");
            break;
        case IDOK:
            Commit();
            break;
        case IDCANCEL:
            End(IDCANCEL);
            break;
        default:
            break;
    }
}

}  // namespace

void FreezeWithDialog(Zent_Settings* settings, const char* path) {
    if (Zent_IsArchivePath(path)) {
        Freeze_RefuseArchive();
        return;
    }
    FreezeDialog dialog(settings, path);
    dialog.Run(IDD_FREEZE);
}
