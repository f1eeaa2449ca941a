#pragma once
// Starting Explorer, programs, documents and web pages. A start that did not happen is
// raised; nothing is returned as a code.
#include <windows.h>

#include <cstddef>

// Explorer. Each returns WinExec's result.
UINT WinX_ExplorePlain(const char* path);
UINT WinX_ExploreTree(const char* path);
UINT WinX_Explore(const char* path, bool tree, bool root);

// Programs, documents and web pages.
// ShellExecuteA with no owner and the normal show state; a null verb is the default verb,
// parameters and folder may be null. A start that did not happen is raised: a type with no
// program for the verb as WinX_Err_NoRegKey, anything else as Zent_Err_FailToExecCmd
// "コマンド %s の実行に失敗しました。" naming the program and its parameters.
void WinX_Execute(const char* verb, const char* file, const char* parameters, const char* folder);
// The file opened with a named verb, or with its type's default verb; failures as
// WinX_Execute. A file with an anchor goes to the browser (WinX_OpenUrl).
void WinX_ShellOpenVerb(const char* file, const char* verb);
void WinX_ShellOpenDefault(const char* file);
// The verb a double-click on the file would use: the type's default, else "open", else
// the "*" class's default or first verb. A file with an anchor gives the empty verb.
void WinX_DefaultVerb(const char* file, char* verb, size_t size);
// by_command false: hands the page to the browser by DDE; true: by its command line.
// A target with an anchor goes through a redirect page in the temporary folder, so the
// anchor survives. Returns WinExec's result in command mode, 33 after a DDE hand-over.
UINT WinX_OpenUrl(const char* target, bool by_command);
// One DDE transaction; the server is started with command_line when it does not answer.
// mode 0 request, 1 execute.
void WinX_DdeCall(const char* command_line, const char* service, const char* topic,
                  const char* data, int length, int mode);

// A command line split into what starts.
struct WinX_Command {
    char program[260];     // absolute; when no existing file begins the line, the whole line
    char parameters[260];  // what the line gives after the program; "" when nothing
    char folder[260];      // the working folder
    bool viewer;           // one of Windows' own viewers showing a document
};
// Starts the command: a folder without parameters opens in Explorer (with the folder pane
// when tree is set, never rooted); a file without parameters opens with its type's default
// verb; anything else starts the program with its parameters. Failures as WinX_Execute.
void WinX_StartCommand(const WinX_Command* command, bool tree);
