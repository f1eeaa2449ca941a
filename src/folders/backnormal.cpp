#include "folders/backnormal.h"

#include <windows.h>

#include <cstdio>

#include "folders/cachedb.h"
#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/nestfind.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"
#include "shell/winx_errors.h"

namespace {

const char kTitle[] = "通常化 - Quarvel SV";

// A folder of the target's name beside the archive is the user's: reported, never touched.
bool SayTargetTaken(const char* target) {
    char text[Update_PathSize + 80];
    snprintf(text, sizeof text, "%s は既に存在するので、フォルダを作成することができません。",
             target);
    MessageBoxA(nullptr, text, "Quarvel", MB_OK | MB_ICONINFORMATION);
    return false;
}

bool Taken(DWORD error) {
    return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// What the working folder lost before its removal stopped comes back from the copy (times
// and attributes included); what is still there is left alone.
void PutBack(const char* folder, const char* copy) {
    static NestFind walk;  // about 12 KB: kept off the stack
    NestFind_Begin(&walk, copy, 1);
    Except_TryFinally(
        __FILE_NAME__, __LINE__,
        [&] {
            while (NestFind_Next(&walk)) {
                char to[Update_PathSize];
                StdPlus_CopyN(to, NestFind_RelPath(&walk), sizeof to);
                StrX_MakeAbsolute(to, sizeof to, folder);
                if (FileX_Exists(to)) continue;
                if (NestFind_IsDir(&walk)) {
                    FileX_MakeDirs(to, false);
                } else {
                    FileX_Copy(to, NestFind_Path(&walk));
                }
            }
        },
        [&] { NestFind_End(&walk); });
}

// The working folder becomes the target by a rename. Only across volumes is it copied, into
// a target this run creates, and then removed; when it cannot be removed whole (a file of
// it held open), it gets back what it lost, the copy goes and the error is raised: the
// folder, its entry and the archive stay as they were. False when the target's name was
// taken meanwhile (said to the user; nothing changed).
bool MoveFolder(const char* target, const char* folder) {
    // The extraction may have left the process inside the working folder.
    char parent[Update_PathSize];
    SetCurrentDirectoryA(StrX_ParentDir(parent, target));
    if (MoveFileExA(folder, target, 0)) return true;
    DWORD error = GetLastError();
    if (Taken(error)) return SayTargetTaken(target);
    if (error != ERROR_NOT_SAME_DEVICE) WinX_RaiseLastError();
    if (!CreateDirectoryA(target, nullptr)) {
        if (Taken(GetLastError())) return SayTargetTaken(target);
        WinX_RaiseLastError();
    }
    char message[Errors_TextSize] = "";
    Except_TryCatch(
        __FILE_NAME__, __LINE__,
        [&] {
            FileX_CopyTree(target, folder);
            FileX_DeleteTree(folder);
        },
        [&] { snprintf(message, sizeof message, "%s", Except_Error()->message); });
    if (message[0] != '\0') {
        PutBack(folder, target);
        FileX_DeleteTree(target);
        ERRORS_RAISE(FileX_Err_CannotWrite, "%s", message);
    }
    return true;
}

}  // namespace

void BackToNormal(const Zent_Settings* s, const char* path) {
    char archive[Update_PathSize], folder[Update_PathSize];
    Update_FullPath(archive, path);
    if (!Update_MeltIntoCache(s, archive, folder)) return;
    char target[Update_PathSize], name[Update_PathSize];
    StrX_ParentDir(target, archive);
    StrX_Join(target, StrX_CopyFileName(name, folder));
    if (FileX_Exists(target)) {
        SayTargetTaken(target);
        return;
    }
    Dialog_WaitCursor wait;
    char slot[Update_PathSize];
    Update_SlotPath(slot, archive, folder);
    if (!MoveFolder(target, folder)) return;
    Update_KeepInSlot(slot, archive, kTitle);
    // Written back without the archive, the database forgets it.
    CacheDB_With(s->CachePath, [](CacheDB*) {});
}
