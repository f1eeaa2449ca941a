#include "folders/install.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "archiver/dllbind.h"
#include "folders/destination.h"
#include "folders/install_dialog.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx_errors.h"
#include "shell/winx_launch.h"

enum { kPathSize = 260 };

static const char kTitle[] = "解凍・インストール - Quarvel SV";

// ---- Replacing a folder -------------------------------------------------------------------

// A rename and nothing else: a move that fell back to copying and deleting could leave a
// folder half here and half there.
static void Rename(const char* from, const char* to) {
    if (!MoveFileExA(from, to, 0))
        ERRORS_RAISE(Errors_Unofficial, "%s を %s に移動できません。", from, to);
}

void Zent_ReplaceFolder(const char* target, const char* fresh) {
    if (!FileX_Exists(target)) {
        Rename(fresh, target);
        return;
    }
    char parent[kPathSize];
    char aside[kPathSize];
    StrX_ParentDir(parent, target);
    FileX_NumberedName(parent, "~dovetrim", "old", aside);
    Rename(target, aside);
    // The user's folder must not stay under the aside name unnoticed: put back, or named in
    // the message. A raise here, while the first error is pending, would end the process.
    char failure[Errors_TextSize] = "";
    Except_TryCatch(
        __FILE_NAME__, __LINE__, [&] { Rename(fresh, target); },
        [&] {
            if (MoveFileExA(aside, target, 0)) Except_Rethrow();
            snprintf(failure, sizeof failure, "%s", Except_Error()->message);
        });
    if (failure[0] != '\0')
        ERRORS_RAISE(Errors_Unofficial, "%s\r\n元のフォルダ %s は %s にあります。", failure, target,
                     aside);
    FileX_DeleteTree(aside);
}

// ---- Extraction beside the target ---------------------------------------------------------

// The highest folder of path's chain that does not exist yet into out ("" when path exists).
static void FirstMissing(const char* path, char* out) {
    out[0] = '\0';
    char folder[kPathSize];
    StdPlus_CopyN(folder, path, sizeof folder);
    while (folder[0] != '\0' && !FileX_Exists(folder)) {
        StdPlus_CopyN(out, folder, kPathSize);
        char parent[kPathSize];
        StrX_ParentDir(parent, folder);
        if (strcmp(parent, folder) == 0) break;
        StdPlus_CopyN(folder, parent, sizeof folder);
    }
}

// Folders this install made for the destination go again when nothing was put into them.
static void RemoveEmptyUpTo(const char* folder, const char* top) {
    if (top[0] == '\0') return;
    char current[kPathSize];
    StdPlus_CopyN(current, folder, sizeof current);
    for (;;) {
        if (!RemoveDirectoryA(current) || StrX_SamePath(current, top)) return;
        StrX_ParentDir(current, current);
    }
}

void Zent_MakeOwnFolder(const char* parent, char* out) {
    for (;;) {
        FileX_NumberedName(parent, "~dovetrim", "new", out);
        if (CreateDirectoryA(out, nullptr)) return;
        // Taken between the look and the creation: the next number.
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            out[0] = '\0';
            WinX_RaiseLastError();
        }
    }
}

// The content goes first into a folder of its own beside the target, on the same volume:
// no folder the user already has is written into, a cancel or a failure takes only that
// folder away, and the finished content reaches the target by a rename.
static void ExtractAndPlace(const Zent_Settings* s, const char* archive, const char* target,
                            bool replace) {
    char parent[kPathSize];
    char made[kPathSize];
    char staging[kPathSize] = "";
    // The current folder comes back afterwards: the error log is written there, and a folder
    // that is a current directory can be neither renamed nor removed.
    char cwd[kPathSize] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    StrX_ParentDir(parent, target);
    FirstMissing(parent, made);
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            FileX_MakeDirs(parent, false);
            if (!FileX_IsDir(parent))
                ERRORS_RAISE(Errors_Unofficial, "フォルダ %s を作成できません。", parent);
            Zent_MakeOwnFolder(parent, staging);
            char result[kPathSize];
            StdPlus_CopyN(result, staging, sizeof result);
            Zent_ExtractToDestination(s, archive, Zent_MeltTo_Explicit, result);
            SetCurrentDirectoryA(cwd);
            // A target that appeared since the question was not offered for replacing.
            if (replace) {
                Zent_ReplaceFolder(target, result);
            } else {
                Rename(result, target);
            }
        },
        [&] {
            SetCurrentDirectoryA(cwd);
            if (staging[0] != '\0') FileX_DeleteTree(staging);
            RemoveEmptyUpTo(parent, made);
        });
}

// ---- The workflow -------------------------------------------------------------------------

enum Verdict { kAskAgain, kCreate, kReplace };

// The messages about the target begin with its path.
static int Say(const char* target, const char* text, UINT buttons) {
    char line[800];
    snprintf(line, sizeof line, "%s%s", target, text);
    return MessageBoxA(nullptr, line, kTitle, buttons);
}

static Verdict CheckTarget(const Zent_InstallState* state) {
    const char* target = state->target;
    if (!FileX_Exists(target)) return kCreate;
    if (!FileX_IsDir(target)) {
        Say(target, "と同じ名前のファイルが既に存在しているため、そこに解凍できません。\r\n",
            MB_OK | MB_ICONEXCLAMATION);
        return kAskAgain;
    }
    if (!Zent_InstallMayReplace(state)) {
        Say(target,
            "フォルダには、解凍する圧縮ファイルか解凍先の一覧にあるフォルダが含まれているため、"
            "上書きできません。",
            MB_OK | MB_ICONEXCLAMATION);
        return kAskAgain;
    }
    int answer =
        Say(target, "フォルダは既に存在します。\r\n上書きしますか？", MB_YESNO | MB_ICONQUESTION);
    return answer == IDYES ? kReplace : kAskAgain;
}

void InstallArchive(Zent_Settings* settings, const char* archive, bool explorer_view) {
    Zent_InstallState state;
    Verdict verdict;
    do {
        // Asked again, the dialog starts over from its initial contents.
        Zent_InstallBegin(&state, settings, archive);
        if (!Zent_RunInstallDialog(&state, settings)) return;
        verdict = CheckTarget(&state);
    } while (verdict == kAskAgain);

    bool replace = verdict == kReplace;
    if (!Zent_UnlessCancelled([&] { ExtractAndPlace(settings, archive, state.target, replace); }))
        return;

    char parent[kPathSize];
    char archive_folder[kPathSize];
    StrX_ParentDir(parent, state.target);
    StrX_ParentDir(archive_folder, archive);
    // A folder next to the archive is where the user already looks.
    if (strcmp(parent, archive_folder) != 0) WinX_Explore(state.target, explorer_view, false);
}
