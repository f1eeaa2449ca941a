#include "melt.h"

#include <windows.h>

#include <cstring>

#include "destination.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx.h"

enum { kPathSize = 260 };

// The cache folder is made whatever the destination: the cache database lives there.
static void ExtractWithCache(const Zent_Settings* s, const char* archive, int destination,
                             char* result) {
    FileX_MakeDirs(s->CachePath, false);
    ExtractTo(s, archive, destination, result);
}

void MeltOpenFolder(const Zent_Settings* s, const char* archive, int destination,
                    bool explorer_view) {
    char folder[kPathSize] = "";
    ExtractWithCache(s, archive, destination, folder);
    WinX_Explore(folder, explorer_view, true);
}

void MeltExtractOnly(const Zent_Settings* s, const char* archive, int destination) {
    char folder[kPathSize] = "";
    ExtractWithCache(s, archive, destination, folder);
}

bool IsDangerousFile(const char* path) {
    static const char* const kDangerous[] = {"scr", "reg", "inf", "js", "vbs", "bat", "com", "exe"};
    const char* dot = StdPlus_FindLastChar(StrX_FileName(path), '.');
    if (dot == nullptr) return false;
    for (const char* ext : kDangerous) {
        if (lstrcmpiA(dot + 1, ext) == 0) return true;
    }
    return false;
}

// True when the content (or what a cancelled extraction left of it) is there to be shown.
static bool ExtractOrAskAfterCancel(const Zent_Settings* s, const char* archive, int destination,
                                    char* folder) {
    bool cancelled = false;
    Except_TryCatch(
        __FILE__, __LINE__, [&] { ExtractWithCache(s, archive, destination, folder); },
        [&] {
            if (Except_Error()->code != Zent_Err_UserCancel) Except_Rethrow();
            cancelled = true;
        });
    if (!cancelled) return true;
    if (MessageBoxA(nullptr, "解凍途中のフォルダを表示しますか？", "Quarvel",
                    MB_YESNO | MB_ICONQUESTION) == IDYES) {
        return true;
    }
    if (folder[0] != '\0' && FileX_Exists(folder)) FileX_DeleteTree(folder);
    return false;
}

void MeltAutoOpen(const char* argument, int destination, int default_action) {
    StrX_Args args;
    StrX_ArgsInit(&args, argument);
    char archive[kPathSize];
    StdPlus_CopyN(archive, StrX_ArgsCurrent(&args), sizeof archive);
    static Zent_Settings settings;  // too large for the stack
    Zent_LoadSettings(&settings, Zent_SettingsPath());
    bool explorer_view = default_action != Zent_DefAct_AutoFold;

    char folder[kPathSize] = "";
    if (!ExtractOrAskAfterCancel(&settings, archive, destination, folder)) return;
    // No document is chosen for opening yet: the folder is what the user sees.
    WinX_Explore(folder, explorer_view, true);
}
