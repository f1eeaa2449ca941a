// What a rule does with the entry it matched: show its folder, run a verb of its file
// type, run the rule's own command line, or follow the entry as an autorun description.
#include <windows.h>

#include <shellapi.h>
#include <strings.h>

#include <cstdio>
#include <cstring>

#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx.h"
#include "autoopen.h"

// A command line may grow by a whole path for each "%1" in it.
enum { kCommandLineSize = 1024 };

static void ParentOf(const char* path, char* parent) {
    StrX_ParentDir(parent, path);
}

// ShellExecute's result: 31 means the type has no program registered for the verb, which
// callers treat as "open the folder instead"; anything else at or below 32 failed.
static void CheckShellResult(HINSTANCE result, const char* file) {
    INT_PTR code = reinterpret_cast<INT_PTR>(result);
    if (code > 32) return;
    if (code == SE_ERR_NOASSOC)
        ERRORS_RAISE(WinX_Err_NoRegKey, "レジストリのキー「.%s」が見つかりません。",
                     StrX_Ext(file));
    else
        ERRORS_RAISE(Zent_Err_FailToExecCmd, "コマンド %s の実行に失敗しました。", file);
}

static void RunVerb(const Zent_AutoOpen* rule, const char* path) {
    HINSTANCE result = rule->Command[0] == '\0' ? WinX_ShellOpenDefault(path)
                                                : WinX_ShellOpenVerb(path, rule->Command);
    CheckShellResult(result, path);
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

// ---- Autorun descriptions ------------------------------------------------------------
// autorun.inf files are written by hand: the section and key names come in any letter
// case, comments or other sections may come first, and "open" need not be the first key.

// The text after "open=" in the "autorun" section as it stands in the file; empty when
// there is none. The record reader finds the line; the value is then taken whole, since
// its field rules would drop what follows a quoted program ("open=\"my setup.exe\" /q")
// and split at commas.
static void ReadOpenCommand(const char* file, char* open, size_t size) {
    open[0] = '\0';
    char line[256];
    IniFile_Reader reader{};
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            IniFile_OpenRead(&reader, file, line, sizeof line);
            if (!WinX_EnterAutorunSection(&reader)) return;
            char key[256];
            long position;
            while ((position = IniFile_ReadAny(&reader, key, "")) >= 0) {
                if (strcasecmp(key, "open") == 0) break;
            }
            if (position < 0) return;
            // Back to the record (blank lines may come before it) and read it again.
            fseek(reader.f, position, SEEK_SET);
            while (fgets(line, sizeof line, reader.f) != nullptr) {
                line[strcspn(line, "\r\n")] = '\0';
                StdPlus_Trim(line);
                if (line[0] == '\0') continue;
                const char* equals = strchr(line, '=');
                if (equals != nullptr) {
                    StdPlus_CopyN(open, equals + 1, size);
                    StdPlus_Trim(open);
                }
                return;
            }
        },
        [&] { IniFile_CloseRead(&reader); });
}

static void RunAutorun(const char* path, bool tree) {
    char command[256];
    ReadOpenCommand(path, command, sizeof command);
    char folder[StrX_PathSize];
    ParentOf(path, folder);
    if (command[0] == '\0') {
        // Nothing to start (a description that only gives an icon or a label): the
        // folder it describes is what there is to see.
        WinX_Explore(folder, tree, false);
        return;
    }
    // "open=setup.exe /q": the program and its parameters. A quoted program ends at its
    // quote; otherwise it is the longest leading part that names an existing file once
    // made absolute, so blanks in folder names do not split it.
    char program[StrX_PathSize];
    const char* parameters = nullptr;
    if (command[0] == '"') {
        StrX_SplitCommand(command, program, &parameters);
        StrX_AbsFromFileDir(program, 256, path);
    } else {
        StrX_AbsFromFileDir(command, sizeof command, path);
        StrX_SplitCommand(command, program, &parameters);
    }
    if (parameters[0] == '\0') {
        if (FileX_IsDir(program)) {
            WinX_Explore(program, tree, false);
        } else {
            CheckShellResult(WinX_ShellOpenDefault(program), program);
        }
        return;
    }
    char directory[StrX_PathSize];
    ParentOf(program, directory);
    CheckShellResult(ShellExecuteA(nullptr, nullptr, program, parameters, directory, SW_SHOWNORMAL),
                     program);
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
