#include "folders/backnormal.h"

#include <windows.h>

#include <cstdio>

#include "folders/cachedb.h"
#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"

namespace {

const char kTitle[] = "通常化 - Quarvel SV";

// The working folder becomes the target: renamed, or across volumes copied and then
// removed. A copy that fails is removed again, so the target's name stays free; once the
// copy is whole the target is the folder, whatever happens to the cache's remains.
void MoveFolder(const char* target, const char* folder) {
    // The extraction may have left the process inside the working folder.
    char parent[Update_PathSize];
    SetCurrentDirectoryA(StrX_ParentDir(parent, target));
    if (MoveFileExA(folder, target, 0)) return;
    bool copied = true;
    char message[Errors_TextSize] = "";
    Except_TryCatch(
        __FILE__, __LINE__, [&] { FileX_CopyTree(target, folder); },
        [&] {
            copied = false;
            snprintf(message, sizeof message, "%s", Except_Error()->message);
        });
    if (!copied) {
        if (FileX_Exists(target)) FileX_DeleteTree(target);
        ERRORS_RAISE(FileX_Err_CannotWrite, "%s", message);
    }
    FileX_DeleteTree(folder);
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
        char text[Update_PathSize + 80];
        snprintf(text, sizeof text, "%s は既に存在するので、フォルダを作成することができません。",
                 target);
        MessageBoxA(nullptr, text, "Quarvel", MB_OK | MB_ICONINFORMATION);
        return;
    }
    Dialog_WaitCursor wait;
    char slot[Update_PathSize];
    Update_SlotPath(slot, archive, folder);
    MoveFolder(target, folder);
    Update_KeepInSlot(slot, archive, kTitle);
    // Written back without the archive, the database forgets it.
    CacheDB_With(s->CachePath, [](CacheDB*) {});
}
