#include "options/setup.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "archiver/associations.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_assoc.h"
#include "shell/winx_folders.h"
#include "shell/winx_shortcut.h"
#include "shell/winx_uninstall.h"

static const char kLinkName[] = "Quarvel SV.lnk";
static const char kUninstallKey[] = "dovetrimsv";
static const char kTitle[] = "Quarvel SV";
static const char kFolderName[] = "QuarvelSV";

static void LinkPath(char* out) {
    StdPlus_CopyN(out, WinX_KnownFolder(WinX_DesktopDir(), "デスクトップ"), StrX_PathSize);
    StrX_Join(out, kLinkName);
}

void Zent_Setup(const char* program_path) {
    char link[StrX_PathSize];
    LinkPath(link);
    WinX_CreateShortcut(link, program_path, "", "", SW_SHOWNORMAL, program_path, 0);
    char command[StrX_PathSize + 8];
    // Quoted: unquoted, "C:\\Program Files\\..." would start "C:\\Program.exe" if there is one.
    snprintf(command, sizeof command, "\"%s\" -z", program_path);
    WinX_RegisterUninstall(kUninstallKey, kTitle, command);
}

void Zent_Uninstall(const char* program_path, Zent_Settings* settings,
                    const bool* associated_rows) {
    enum { kMaxRows = 32 };
    const WinX_TypeSet* set = Zent_AssociationSet();
    int rows = WinX_TypeSetRowCount(set);
    // Un-associating restores the rows that are not selected.
    bool keep[kMaxRows];
    for (int i = 0; i < rows && i < kMaxRows; i++) {
        const char* ext = set->rows[i].extension;
        bool shared = strcmp(ext, "*") == 0 || strcmp(ext, "folder") == 0;
        keep[i] = !(shared || associated_rows == nullptr || associated_rows[i]);
    }
    WinX_Unassociate(set, program_path, keep);

    memset(settings->dll, 0, sizeof settings->dll);
    Zent_SaveSettings(settings, Zent_SettingsPath());

    char link[StrX_PathSize];
    LinkPath(link);
    DeleteFileA(link);
    WinX_UnregisterUninstall(kUninstallKey);

    char folder[StrX_PathSize];
    StrX_ParentDir(folder, program_path);
    StdPlus_DropTrailChar(folder, '\\');
    WinX_RemoveProgramFolder(folder, kTitle, kFolderName);
}
