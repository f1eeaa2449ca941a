#include "options/melt_page.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "options/options_ids.h"
#include "options/sheet.h"
#include "settings/path_variables.h"
#include "shell/winx_folders.h"
#include "shell/winx_launch.h"
#include "shell/winx_shortcut.h"

// ---- Rules -------------------------------------------------------------------------------

const char* const Options_ActionTexts[6] = {
    "自動オープン（フォルダ）", "自動オープン（エクスプロ－ラ）",
    "フォルダを開く",           "エクスプローラを開く",
    "解凍・インストール",       "何もしない",
};
const char* const Options_MeltToTexts[9] = {
    "キャッシュフォルダ", "標準解凍先",    "標準インストール先", "同じフォルダ", "デスクトップ",
    "マイドキュメント",   "Program Files", "Windows System",     "テンポラリ",
};
const char* const Options_CachePresets[6] = {
    "$(デスクトップ)\\Archives Cache",     "$(テンポラリ)\\Archives Cache",
    "$(マイドキュメント)\\Archives Cache", "$(Windows System)\\Archives Cache",
    "$(Program Files)\\Archives Cache",    "c:\\ArcCache",
};
const char* const Options_MeltPresets[7] = {
    "$(デスクトップ)",
    "$(マイドキュメント)",
    "$(Program Files)",
    "$(Windows System)",
    "$(テンポラリ)",
    "$(同じフォルダ)",
    "c:\\",
};
const char* const Options_InstallPresets[7] = {
    "$(Program Files)",
    "$(マイドキュメント)",
    "$(デスクトップ)",
    "$(Windows System)",
    "$(テンポラリ)",
    "$(同じフォルダ)",
    "c:\\",
};

char* Options_FolderMissing(const char* path, char* out, size_t size) {
    snprintf(out, size, "フォルダ%sは存在しません。", path);
    return out;
}

char* Options_ClearQuestion(const char* path, char* out, size_t size) {
    snprintf(out, size, "キャッシュ（%s フォルダ）内のファイルを削除します。よろしいですか？",
             path);
    return out;
}

char* Options_ClearRefused(const char* path, char* out, size_t size) {
    snprintf(out, size,
             "削除が拒否されました。%s "
             "の中にあるファイルかプロンプトを閉じて「再試行」を押してください",
             path);
    return out;
}

bool Options_IsClearableCache(const char* folder, const char* const* kept, int kept_count) {
    if (!StrX_IsFullPath(folder)) return false;
    char cache[StrX_PathSize];
    StdPlus_CopyN(cache, folder, sizeof cache);
    StdPlus_DropTrailChar(cache, '\\');
    for (int i = 0; i < kept_count; i++) {
        if (kept[i] == nullptr || kept[i][0] == '\0') continue;
        char other[StrX_PathSize];
        StdPlus_CopyN(other, kept[i], sizeof other);
        StdPlus_DropTrailChar(other, '\\');
        if (StrX_SamePath(cache, other) || StrX_IsInside(other, cache)) return false;
    }
    return true;
}

// ---- The page ----------------------------------------------------------------------------

namespace {

const char kTitle[] = "Quarvel SV";

template <size_t N>
void FillFolder(HWND page, int id, const char* const (&presets)[N], const char* folder) {
    Dialog_ComboFill(page, id, presets);
    Dialog_ComboLimit(page, id, StrX_PathSize - 1);
    char shown[StrX_PathSize];
    Dialog_SetText(page, id, AbbreviatePath(shown, folder));
}

// The folder a field names, variables expanded.
char* FieldFolder(HWND page, int id, char* out) {
    char text[StrX_PathSize];
    Dialog_GetText(page, id, text, sizeof text);
    return ExpandPath(out, text);
}

void StorePosition(HWND page, int id, int* value, int count) {
    int position = Dialog_ComboSelected(page, id);
    if (position >= 0 && position < count) *value = position;
}

// A folder Windows keeps for the user; empty when it cannot tell.
void CopyFolder(char* out, const char* (*lookup)()) {
    const char* folder = lookup();
    StdPlus_CopyN(out, folder != nullptr ? folder : "", StrX_PathSize);
}

// The folders a cache must never be: clearing it would take the user's files with it.
int KeptFolders(const char** kept) {
    static char folders[7][StrX_PathSize];  // kept points into it after the return
    const char* (*const lookups[])() = {WinX_DesktopDir, WinX_PersonalDir, WinX_ProgramFilesDir,
                                        WinX_TempDir,    WinX_SystemDir,   WinX_WindowsDir};
    int n = 0;
    for (auto lookup : lookups) CopyFolder(folders[n++], lookup);
    char program[StrX_PathSize];
    GetModuleFileNameA(nullptr, program, sizeof program);
    StrX_ParentDir(folders[n++], program);
    for (int i = 0; i < n; i++) kept[i] = folders[i];
    return n;
}

// Deletes the cache folder with everything in it and makes it again; false when a file in
// it could not go (held open by a program or a command prompt inside it).
bool DeleteAndRemake(const char* folder) {
    bool done = false;
    Except_TryCatch(
        __FILE_NAME__, __LINE__,
        [&] {
            Dialog_WaitCursor wait;
            FileX_DeleteTree(folder);
            CreateDirectoryA(folder, nullptr);
            done = true;
        },
        [] {});
    return done;
}

}  // namespace

Options_MeltPageWindow::Options_MeltPageWindow(Zent_Settings* settings)
    : Dialog_Page(IDD_MELT_PAGE), settings_(settings) {}

void Options_MeltPageWindow::OnInit() {
    HWND page = Window();
    const Zent_Settings* s = settings_;
    filling_ = true;
    Dialog_ComboFill(page, IDC_MELT_DBLCLK_ACTION, Options_ActionTexts, s->DefActOnDblClk);
    Dialog_ComboFill(page, IDC_MELT_DROP_ACTION, Options_ActionTexts, s->DefActOnDrop);
    Dialog_ComboFill(page, IDC_MELT_DBLCLK_TO, Options_MeltToTexts, s->MeltToOnDblClk);
    Dialog_ComboFill(page, IDC_MELT_DROP_TO, Options_MeltToTexts, s->MeltToOnDrop);
    FillFolder(page, IDC_MELT_CACHE_PATH, Options_CachePresets, s->CachePath);
    FillFolder(page, IDC_MELT_STD_PATH, Options_MeltPresets, s->StdMeltPath);
    FillFolder(page, IDC_MELT_INSTALL_PATH, Options_InstallPresets, s->InstallPath);
    filling_ = false;
}

void Options_MeltPageWindow::OpenFolder(int field) {
    char folder[StrX_PathSize];
    FieldFolder(Window(), field, folder);
    if (folder[0] != '\0' && FileX_IsDir(folder)) {
        WinX_Explore(folder, Zent_ExplorerView(settings_->DefActOnDblClk), true);
        return;
    }
    char message[400];
    MessageBoxA(GetParent(Window()), Options_FolderMissing(folder, message, sizeof message), kTitle,
                MB_OK);
}

void Options_MeltPageWindow::Browse(int field, const char* title) {
    char folder[StrX_PathSize] = "";
    if (!WinX_BrowseFolder(GetParent(Window()), title, folder)) return;
    char shown[StrX_PathSize];
    Dialog_SetText(Window(), field, AbbreviatePath(shown, folder));
    Changed();
}

void Options_MeltPageWindow::ClearCache() {
    HWND sheet = GetParent(Window());
    char folder[StrX_PathSize];
    FieldFolder(Window(), IDC_MELT_CACHE_PATH, folder);
    char message[600];
    const char* kept[8];
    int kept_count = KeptFolders(kept);
    if (!Options_IsClearableCache(folder, kept, kept_count)) {
        snprintf(message, sizeof message, "フォルダ %s はキャッシュとして削除できません。", folder);
        MessageBoxA(sheet, message, "キャッシュのクリア - Quarvel SV", MB_OK | MB_ICONWARNING);
        return;
    }
    if (MessageBoxA(sheet, Options_ClearQuestion(folder, message, sizeof message), "Quarvel",
                    MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDYES)
        return;
    while (!DeleteAndRemake(folder)) {
        if (MessageBoxA(sheet, Options_ClearRefused(folder, message, sizeof message),
                        "キャッシュのクリア - Quarvel SV",
                        MB_RETRYCANCEL | MB_ICONWARNING) != IDRETRY)
            return;
    }
}

void Options_MeltPageWindow::OnCommand(int id, int code) {
    if (filling_) return;
    switch (id) {
        case IDC_MELT_DBLCLK_ACTION:
        case IDC_MELT_DROP_ACTION:
        case IDC_MELT_DBLCLK_TO:
        case IDC_MELT_DROP_TO:
            if (code == CBN_SELCHANGE) Changed();
            return;
        case IDC_MELT_CACHE_PATH:
        case IDC_MELT_STD_PATH:
        case IDC_MELT_INSTALL_PATH:
            if (code == CBN_SELCHANGE || code == CBN_EDITCHANGE) Changed();
            return;
        default:
            break;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDC_MELT_CACHE_OPEN:
            OpenFolder(IDC_MELT_CACHE_PATH);
            break;
        case IDC_MELT_STD_OPEN:
            OpenFolder(IDC_MELT_STD_PATH);
            break;
        case IDC_MELT_INSTALL_OPEN:
            OpenFolder(IDC_MELT_INSTALL_PATH);
            break;
        case IDC_MELT_STD_BROWSE:
            Browse(IDC_MELT_STD_PATH, "標準解凍先にするフォルダを選択してください");
            break;
        case IDC_MELT_INSTALL_BROWSE:
            Browse(IDC_MELT_INSTALL_PATH, "標準インストール先にするフォルダを選択してください");
            break;
        case IDC_MELT_CACHE_CLEAR:
            ClearCache();
            break;
        default:
            break;
    }
}

bool Options_MeltPageWindow::OnApply() {
    HWND page = Window();
    Zent_Settings* s = settings_;
    StorePosition(page, IDC_MELT_DBLCLK_TO, &s->MeltToOnDblClk, 9);
    StorePosition(page, IDC_MELT_DBLCLK_ACTION, &s->DefActOnDblClk, 6);
    StorePosition(page, IDC_MELT_DROP_TO, &s->MeltToOnDrop, 9);
    StorePosition(page, IDC_MELT_DROP_ACTION, &s->DefActOnDrop, 6);
    FieldFolder(page, IDC_MELT_CACHE_PATH, s->CachePath);
    FieldFolder(page, IDC_MELT_STD_PATH, s->StdMeltPath);
    FieldFolder(page, IDC_MELT_INSTALL_PATH, s->InstallPath);
    Options_Save(page, s);
    return true;
}
