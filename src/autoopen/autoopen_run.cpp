// What a rule does with the entry it matched: show its folder, run a verb of its file
// type, run the rule's own command line, or follow the entry as an autorun description.
#include <windows.h>

#include <cstring>

#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_autorun.h"
#include "shell/winx_launch.h"
#include "autoopen.h"

// A command line may grow by a whole path for each "%1" in it.
enum { kCommandLineSize = 1024 };

static void ParentOf(const char* path, char* parent) {
    StrX_ParentDir(parent, path);
}

static void RunVerb(const Zent_AutoOpen* rule, const char* path) {
    if (rule->Command[0] == '\0') {
        WinX_ShellOpenDefault(path);
    } else {
        WinX_ShellOpenVerb(path, rule->Command);
    }
}

static void RunCommandLine(const Zent_AutoOpen* rule, const char* path) {
    char line[kCommandLineSize];
    StdPlus_CopyN(line, rule->Command, sizeof line);
    // Counted first: a command cut short would start with a wrong argument.
    size_t needed = strlen(line) + 1;
    size_t path_length = strlen(path);
    for (const char* p = strstr(line, "%1"); p != nullptr; p = strstr(p + 2, "%1"))
        needed += path_length - 2;
    if (needed > sizeof line) {
        ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s の実行に失敗しました。", line);
        return;
    }
    StdPlus_ReplaceText(line, sizeof line, "%1", path);
    if (WinExec(line, SW_SHOWNORMAL) <= 31)
        ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s の実行に失敗しました。", line);
}

// An autorun description that gives nothing to start (only an icon or a label) shows the
// folder it describes.
static void RunAutorun(const char* path, bool tree) {
    static Autorun_Info info;  // about 11 KB: kept off the stack
    WinX_ReadAutorun(&info, path);
    if (info.open[0] == '\0') {
        char folder[StrX_PathSize];
        ParentOf(path, folder);
        WinX_Explore(folder, tree, false);
        return;
    }
    WinX_RunAutorun(&info, -1, tree);
}

char* Zent_AutoOpenStarter(const Zent_AutoOpen* rule, char* out, size_t size) {
    out[0] = '\0';
    switch (rule->CmdType) {
        case Zent_RegCmd:
        case Zent_RegCmd2:
            if (lstrcmpiA(rule->Command, "open") != 0) StdPlus_CopyN(out, rule->Command, size);
            break;
        case Zent_CustomCmd: {
            StrX_Args words;
            StrX_ArgsInit(&words, rule->Command);
            StdPlus_CopyN(out, StrX_FileName(StrX_ArgsCurrent(&words)), size);
            break;
        }
        default:
            break;
    }
    return out;
}

// ---- Actions -------------------------------------------------------------------------

void Zent_RunAutoOpen(const Zent_AutoOpen* rule, const char* path, bool tree) {
    char folder[StrX_PathSize];
    switch (rule->CmdType) {
        case Zent_OpenOnly:
            if (FileX_IsDir(path)) {
                // The folder itself (the default rule gives the melted folder with an
                // empty name joined to it, so it may end in a backslash).
                StdPlus_CopyN(folder, path, sizeof folder);
                size_t n = strlen(folder);
                if (n > 3 && folder[n - 1] == '\\' && !StrX_IsTrailByte(folder, folder + n - 1))
                    folder[n - 1] = '\0';
                WinX_Explore(folder, tree, true);
            } else {
                ParentOf(path, folder);
                WinX_Explore(folder, tree, true);
            }
            break;
        case Zent_RegCmd:
            RunVerb(rule, path);
            break;
        case Zent_RegCmd2:
            ParentOf(path, folder);
            WinX_Explore(folder, tree, true);
            RunVerb(rule, path);
            break;
        case Zent_CustomCmd:
            RunCommandLine(rule, path);
            break;
        case Zent_AutoRunInf:
            RunAutorun(path, tree);
            break;
    }
}
