#include "folders/install_dialog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "folders/install_ids.h"
#include "lib/errors.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/sheet.h"
#include "shell/dialog.h"
#include "shell/winx_folders.h"
#include "shell/winx_shortcut.h"

enum { kPathSize = 260, kAppIcon = 128 };

static const char kTitle[] = "解凍・インストール - Quarvel SV";

// ---- Initial contents ---------------------------------------------------------------------

// A folder Windows does not report (a missing shell folder value) is simply not offered.
static void TakeFolder(char* out, const char* (*folder)()) {
    const char* found = folder();
    StdPlus_CopyN(out, found != nullptr ? found : "", kPathSize);
}

void Zent_InstallTakeSettings(Zent_InstallState* state, const Zent_Settings* settings) {
    StdPlus_CopyN(state->places[Zent_InstallStd], settings->StdMeltPath, kPathSize);
    StdPlus_CopyN(state->places[Zent_InstallCustom], settings->InstallPath, kPathSize);
}

void Zent_InstallBegin(Zent_InstallState* state, const Zent_Settings* settings,
                       const char* archive) {
    memset(state, 0, sizeof *state);
    StdPlus_CopyN(state->archive, archive, kPathSize);
    StrX_ParentDir(state->places[Zent_InstallHere], archive);
    TakeFolder(state->places[1], WinX_DesktopDir);
    TakeFolder(state->places[2], WinX_PersonalDir);
    TakeFolder(state->places[3], WinX_ProgramFilesDir);
    TakeFolder(state->places[4], WinX_SystemDir);
    Zent_InstallTakeSettings(state, settings);
    StdPlus_CopyN(state->path, state->places[Zent_InstallHere], kPathSize);
    StrX_CopyFileName(state->name, archive);
    StrX_SetExt(state->name, "");
}

// ---- Rules --------------------------------------------------------------------------------

const char* Zent_InstallPlaceText(int position) {
    static const char* const kTexts[Zent_InstallPlaces] = {
        "同じフォルダ",       "デスクトップ",   "マイドキュメント",       "Program Files",
        "システム(System32)", "カスタム解凍先", "カスタムインストール先", "（解凍先入力）",
    };
    return position >= 0 && position < Zent_InstallPlaces ? kTexts[position] : "";
}

char* Zent_InstallIntro(const char* archive, char* out, size_t size) {
    snprintf(out, size,
             "下記の解凍先に新しいフォルダを作り、そこに %s を解凍・インストールします。",
             StrX_FileName(archive));
    return out;
}

char* Zent_InstallPathFor(const Zent_InstallState* state, int position, char* out) {
    bool placed = position >= 0 && position < Zent_InstallTyped;
    StdPlus_CopyN(out, placed ? state->places[position] : state->path, kPathSize);
    if (out[0] == '\0') StdPlus_CopyN(out, state->places[Zent_InstallHere], kPathSize);
    return out;
}

int Zent_InstallMatch(const Zent_InstallState* state, const char* text) {
    static const int kOrder[] = {1, 2, 3, 4, Zent_InstallStd, Zent_InstallCustom, Zent_InstallHere};
    for (int position : kOrder) {
        const char* folder = state->places[position];
        // An empty custom folder stands for the archive's folder, not for an empty field.
        if (folder[0] != '\0' && StrX_SamePath(text, folder)) return position;
    }
    return Zent_InstallTyped;
}

static bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

static bool IsDotsOnly(const char* part, size_t length) {
    if (length == 0) return false;
    for (size_t i = 0; i < length; i++) {
        if (part[i] != '.') return false;
    }
    return true;
}

// A "." or ".." step would let the target name another folder than the one shown.
static bool HasDotStep(const char* path) {
    const char* part = path;
    for (const char* p = path;; p++) {
        if (*p != '\0' && StdPlus_IsLead(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            p++;
            continue;
        }
        if (*p == '\0' || IsSeparator(*p)) {
            if (IsDotsOnly(part, static_cast<size_t>(p - part))) return true;
            if (*p == '\0') return false;
            part = p + 1;
        }
    }
}

const char* Zent_InstallRefusal(const char* path, const char* name) {
    if (name[0] == '\0') return "新しく作成されるフォルダ名を入力してください。";
    // Lead-byte aware: the second byte of ソ or 表 is no backslash.
    if (StdPlus_FindAnyOf(name, "\\/:*?\"<>|") != nullptr || IsDotsOnly(name, strlen(name)))
        return "新しく作成されるフォルダ名に \\ / : * ? \" < > | は使えません。"
               "また、「.」や「..」はフォルダ名になりません。";
    if (!StrX_IsFullPath(path) || HasDotStep(path) ||
        StdPlus_FindAnyOf(path + 2, ":*?\"<>|") != nullptr)
        return "解凍先のパスは、C:\\Program Files のようにドライブ名から始まるフルパスで入力してく"
               "ださい。";
    if (strlen(path) + 1 + strlen(name) >= kPathSize)
        return "解凍先のパスとフォルダ名が長すぎます。";
    return nullptr;
}

char* Zent_InstallTarget(const char* path, const char* name, char* out) {
    StdPlus_CopyN(out, path, kPathSize);
    StdPlus_ReplaceChar(out, '/', '\\');
    while (StdPlus_LastChar(out) == '\\' && !StrX_IsTrailByte(out, out + strlen(out) - 1))
        StdPlus_DropLast(out);
    return StrX_Join(out, name);
}

bool Zent_InstallMayReplace(const Zent_InstallState* state) {
    for (int position = 0; position < Zent_InstallTyped; position++) {
        const char* place = state->places[position];
        if (place[0] == '\0') continue;
        if (StrX_SamePath(place, state->target) || StrX_IsInside(place, state->target))
            return false;
    }
    return true;
}

// ---- The dialog ---------------------------------------------------------------------------

namespace {

class InstallDialog : public Dialog_Modal {
public:
    InstallDialog(Zent_InstallState* state, Zent_Settings* settings)
        : state_(state), settings_(settings) {}

protected:
    void OnInit() override;
    void OnCommand(int id, int code) override;

private:
    int Shown() const { return Dialog_ComboSelected(Window(), IDC_INSTALL_PLACE); }
    void Show(int position) { Dialog_ComboSelect(Window(), IDC_INSTALL_PLACE, position); }
    void SetPath(const char* path);
    void FollowPath();
    void FillPath(int position);
    void Browse();
    void Options();
    void Accept();

    Zent_InstallState* state_;
    Zent_Settings* settings_;
    bool setting_path_ = false;
};

void InstallDialog::OnInit() {
    HWND dialog = Window();
    Dialog_SetAppIcons(dialog, kAppIcon);
    char intro[600];
    Dialog_SetText(dialog, IDC_INSTALL_INTRO,
                   Zent_InstallIntro(state_->archive, intro, sizeof intro));
    for (int position = 0; position < Zent_InstallPlaces; position++)
        Dialog_ComboAdd(dialog, IDC_INSTALL_PLACE, Zent_InstallPlaceText(position));
    SendDlgItemMessageA(dialog, IDC_INSTALL_PATH, EM_LIMITTEXT, kPathSize - 1, 0);
    SendDlgItemMessageA(dialog, IDC_INSTALL_NAME, EM_LIMITTEXT, kPathSize - 1, 0);
    Dialog_SetText(dialog, IDC_INSTALL_NAME, state_->name);
    Show(Zent_InstallHere);
    SetPath(state_->path);
}

// The field's own change notification is not waited for: the list follows at once.
void InstallDialog::SetPath(const char* path) {
    setting_path_ = true;
    Dialog_SetText(Window(), IDC_INSTALL_PATH, path);
    setting_path_ = false;
    FollowPath();
}

void InstallDialog::FollowPath() {
    Dialog_GetText(Window(), IDC_INSTALL_PATH, state_->path, sizeof state_->path);
    HWND field = Item(IDC_INSTALL_PATH);
    // Chosen from the list or the picker, the typed position hands the field to the user
    // with its text selected. While the user types there it must not: each key would
    // replace everything typed before it.
    if (Shown() == Zent_InstallTyped && GetFocus() != field) {
        SendMessageA(Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
        SendMessageA(field, EM_SETSEL, 0, -1);
    }
    Show(Zent_InstallMatch(state_, state_->path));
}

void InstallDialog::FillPath(int position) {
    Dialog_GetText(Window(), IDC_INSTALL_PATH, state_->path, sizeof state_->path);
    char path[kPathSize];
    SetPath(Zent_InstallPathFor(state_, position, path));
}

void InstallDialog::Browse() {
    char chosen[MAX_PATH] = "";
    if (!WinX_BrowseFolder(Window(), "解凍先のフォルダを指定してください", chosen)) return;
    Show(Zent_InstallTyped);
    SetPath(chosen);
}

void InstallDialog::Options() {
    // The sheet is the program's own top-level window, not one owned by this dialog.
    ShowOptions(settings_, Options_MeltPage);
    Zent_LoadSettings(settings_, settings_->file);
    // The custom folders may have changed.
    Zent_InstallTakeSettings(state_, settings_);
    FillPath(Shown());
}

void InstallDialog::Accept() {
    HWND dialog = Window();
    Dialog_GetText(dialog, IDC_INSTALL_PATH, state_->path, sizeof state_->path);
    Dialog_GetText(dialog, IDC_INSTALL_NAME, state_->name, sizeof state_->name);
    const char* refusal = Zent_InstallRefusal(state_->path, state_->name);
    if (refusal != nullptr) {
        MessageBoxA(dialog, refusal, kTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    Zent_InstallTarget(state_->path, state_->name, state_->target);
    End(IDOK);
}

void InstallDialog::OnCommand(int id, int code) {
    switch (id) {
        case IDC_INSTALL_PLACE:
            if (code == CBN_SELCHANGE) FillPath(Shown());
            break;
        case IDC_INSTALL_PATH:
            if (code == EN_CHANGE && !setting_path_) FollowPath();
            break;
        case IDC_INSTALL_BROWSE:
            if (code == BN_CLICKED) Browse();
            break;
        case IDC_INSTALL_OPTIONS:
            if (code == BN_CLICKED) Options();
            break;
        case IDC_INSTALL_HELP:
            if (code == BN_CLICKED) Dialog_OpenHelp(Window(), "index.htm", kTitle);
            break;
        case IDOK:
            if (code == BN_CLICKED) Accept();
            break;
        case IDCANCEL:
            if (code == BN_CLICKED) End(IDCANCEL);
            break;
        default:
            break;
    }
}

}  // namespace

bool Zent_RunInstallDialog(Zent_InstallState* state, Zent_Settings* settings) {
    InstallDialog dialog(state, settings);
    return dialog.Run(IDD_INSTALL) == IDOK;
}
