#include "melt.h"

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "autoopen/autoopen.h"
#include "autoopen/safety.h"
#include "cachedb.h"
#include "archiver/dllbind.h"
#include "destination.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/handles.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_launch.h"
#include "shell/winx_zone.h"

enum { kPathSize = 260 };

// The cache folder is made whatever the destination: the cache database lives there.
static void ExtractWithCache(const Zent_Settings* s, const char* archive, int destination,
                             char* result, bool* created = nullptr) {
    FileX_MakeDirs(s->CachePath, false);
    Zent_ExtractToDestination(s, archive, destination, result, created);
}

// A cancel in the DLL's window is the user's choice: the melt ends quietly.
void MeltOpenFolder(const Zent_Settings* s, const char* archive, int destination,
                    bool explorer_view) {
    char folder[kPathSize] = "";
    if (Zent_UnlessCancelled([&] { ExtractWithCache(s, archive, destination, folder); }))
        WinX_Explore(folder, explorer_view, true);
}

void MeltExtractOnly(const Zent_Settings* s, const char* archive, int destination) {
    char folder[kPathSize] = "";
    Zent_UnlessCancelled([&] { ExtractWithCache(s, archive, destination, folder); });
}

// Every type Windows runs as code when it is opened: the programs and scripts, and what
// starts one (shortcuts, installer packages, control panel items, compiled help, Internet
// shortcuts, Explorer commands...), after the list of Windows' own attachment checks.
static const char* const kDangerous[] = {
    "exe",        "com",         "scr",       "bat",        "cmd",
    "pif",        "cpl",         "msc",       "msi",        "msp",
    "mst",        "msu",         "reg",       "inf",        "ins",
    "isp",        "js",          "jse",       "vbs",        "vbe",
    "vb",         "wsf",         "wsh",       "ws",         "wsc",
    "sct",        "hta",         "ps1",       "ps1xml",     "ps2",
    "ps2xml",     "psc1",        "psc2",      "psd1",       "psm1",
    "msh",        "msh1",        "msh2",      "mshxml",     "lnk",
    "url",        "scf",         "shs",       "shb",        "website",
    "chm",        "hlp",         "jar",       "jnlp",       "xbap",
    "gadget",     "application", "appref-ms", "diagcab",    "settingcontent-ms",
    "library-ms", "search-ms",   "appx",      "appxbundle", "msix"};

bool IsDangerousFile(const char* path) {
    // Windows drops trailing dots and blanks from a name it opens: "x.cmd." runs x.cmd.
    char name[StrX_PathSize];
    StdPlus_CopyN(name, StrX_FileName(path), sizeof name);
    size_t n = strlen(name);
    while (n > 0 && (name[n - 1] == '.' || name[n - 1] == ' ')) name[--n] = '\0';
    const char* dot = StdPlus_FindLastChar(name, '.');
    if (dot == nullptr) return false;
    for (const char* ext : kDangerous) {
        if (lstrcmpiA(dot + 1, ext) == 0) return true;
    }
    return false;
}

// True when the content (or what a cancelled extraction left of it) is there to be shown.
// No deletes the partial folder only when this melt made it: a folder of the archive's name
// that was there before (outside the cache) is the user's.
static bool ExtractOrAskAfterCancel(const Zent_Settings* s, const char* archive, int destination,
                                    char* folder, bool* created) {
    if (Zent_UnlessCancelled([&] { ExtractWithCache(s, archive, destination, folder, created); }))
        return true;
    if (MessageBoxA(nullptr, "解凍途中のフォルダを表示しますか？", "Quarvel",
                    MB_YESNO | MB_ICONQUESTION) == IDYES) {
        return true;
    }
    if (*created && folder[0] != '\0' && FileX_Exists(folder)) FileX_DeleteTree(folder);
    return false;
}

// The names directly inside the folder, files and folders, in the order the listing gives;
// streams are no entries.
static std::vector<std::string> ListEntries(const char* folder) {
    std::vector<std::string> names;
    char pattern[kPathSize];
    StdPlus_CopyN(pattern, folder, sizeof pattern);
    StrX_Join(pattern, "*");
    for (Own_Find find(pattern); find.Next();) {
        // Under Wine the web's mark of a file is a file "<name>:Zone.Identifier" beside it.
        if (!WinX_IsStreamName(find.Name())) names.push_back(find.Name());
    }
    return names;
}

// Safe records keep a file's path relative to the folder the archive was melted into as
// the cache database knows it (a cancelled melt shows its "-remnants" folder instead).
static void UseMeltedFolder(const Zent_Settings* s, Zent_SafetyState* state) {
    CacheDB_With(s->CachePath, [&](CacheDB* db) {
        const char* folder = CacheDB_FolderOf(db, state->archive);
        if (folder != nullptr) StdPlus_CopyN(state->folder, folder, sizeof state->folder);
    });
}

static int ConfirmWithCache(Zent_Settings* s, Zent_SafetyState* state) {
    UseMeltedFolder(s, state);
    return Zent_ConfirmSafety(s, state);
}

static void FillState(Zent_SafetyState* state, const char* archive, const char* folder,
                      const char* file) {
    memset(state, 0, sizeof *state);
    StdPlus_CopyN(state->archive, archive, sizeof state->archive);
    StdPlus_CopyN(state->folder, folder, sizeof state->folder);
    StdPlus_CopyN(state->file, file, sizeof state->file);
}

// The question before the rule's action. False when the chosen file is not to be opened;
// *stop is set when the melt ends without showing anything. A dialog that gave none of its
// three answers opens nothing. `created`: this melt extracted the folder.
static bool AgreedBeforeOpening(Zent_Settings* s, const char* archive, const char* folder,
                                const char* path, bool created, bool* stop) {
    static Zent_SafetyState state;  // over 11 KB: kept off the stack
    FillState(&state, archive, folder, path);
    int result = ConfirmWithCache(s, &state);
    if (result == Zent_Safety_Cancel) {
        // The next double click extracts afresh: a folder this melt put in the cache is gone.
        // A reused working folder holds the user's edits and stays.
        if (created && StrX_IsInside(folder, s->CachePath)) FileX_DeleteTree(folder);
        *stop = true;
        return false;
    }
    if (result != Zent_Safety_Run) return false;
    Zent_SaveSettings(s, Zent_SettingsPath());
    return true;
}

static void OpenChosen(Zent_Settings* s, const Zent_AutoOpen* rule, const char* archive,
                       const char* folder, const char* path, bool explorer_view) {
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            // Whatever a description starts is asked about, whatever the rule's security;
            // a rule that only shows the folder starts nothing.
            bool autorun = rule->CmdType == Zent_AutoRunInf;
            if (!autorun && (rule->CmdType == Zent_OpenOnly || !IsDangerousFile(path))) {
                Zent_RunAutoOpen(rule, path, explorer_view);
                return;
            }
            static Zent_SafetyState state;  // over 11 KB: kept off the stack
            FillState(&state, archive, folder, path);
            state.autorun = autorun;
            state.launch = true;
            state.rule = rule;
            state.tree = explorer_view;
            ConfirmWithCache(s, &state);
            Zent_SaveSettings(s, Zent_SettingsPath());
        },
        [&] {
            // A document no program is registered for: the folder is what the user gets.
            if (Except_Error()->code != WinX_Err_NoRegKey) Except_Rethrow();
            WinX_Explore(folder, explorer_view, true);
        });
}

void MeltAutoOpen(Zent_Settings* settings, const char* argument, int destination,
                  int default_action) {
    StrX_Args args;
    StrX_ArgsInit(&args, argument);
    char archive[kPathSize];
    StdPlus_CopyN(archive, StrX_ArgsCurrent(&args), sizeof archive);
    bool explorer_view = default_action == Zent_DefAct_AutoExp;

    char folder[kPathSize] = "";
    bool created = false;
    if (!ExtractOrAskAfterCancel(settings, archive, destination, folder, &created)) return;

    std::vector<std::string> entries = ListEntries(folder);
    std::vector<const char*> names;
    for (const std::string& entry : entries) names.push_back(entry.c_str());
    char matched[kPathSize] = "";
    bool confirm = false;
    const Zent_AutoOpen* rule = Zent_MatchAutoOpen(
        &settings->AutoOpen, names.data(), static_cast<int>(names.size()), matched, &confirm);
    char path[kPathSize];
    StdPlus_CopyN(path, folder, sizeof path);
    StrX_Join(path, matched);

    bool auto_open = true;
    if (FileX_IsDir(path)) {  // a folder, or the folder itself for the default rule
        auto_open = false;
    } else if (rule->CmdType != Zent_OpenOnly && (confirm || IsDangerousFile(matched))) {
        bool stop = false;
        auto_open = AgreedBeforeOpening(settings, archive, folder, path, created, &stop);
        if (stop) return;
    }
    if (auto_open && rule->Type != Zent_Other) {
        OpenChosen(settings, rule, archive, folder, path, explorer_view);
        return;
    }
    WinX_Explore(folder, explorer_view, true);
}
