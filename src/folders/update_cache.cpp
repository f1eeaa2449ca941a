// The cache side of update and back to normal: the melt that gives the working folder, and
// the backup slot beside the working folder.
#include <windows.h>

#include "archiver/dllbind.h"
#include "folders/destination.h"
#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/winx.h"

char* Update_FullPath(char* out, const char* path) {
    DWORD n = GetFullPathNameA(path, Update_PathSize, out, nullptr);
    if (n == 0 || n >= Update_PathSize) StdPlus_CopyN(out, path, Update_PathSize);
    return out;
}

bool Update_MeltIntoCache(const Zent_Settings* s, const char* archive, char* folder) {
    FileX_MakeDirs(s->CachePath, false);
    folder[0] = '\0';
    if (Zent_UnlessCancelled([&] { ExtractTo(s, archive, Zent_MeltTo_Cache, folder); }))
        return true;
    // The cancelled extraction left its "-remnants" folder in the cache: nobody asked for it.
    if (folder[0] != '\0' && FileX_Exists(folder) && StrX_IsInside(folder, s->CachePath))
        FileX_DeleteTree(folder);
    return false;
}

char* Update_SlotPath(char* out, const char* archive, const char* folder) {
    StrX_ParentDir(out, folder);
    return StrX_Join(out, StrX_FileName(archive));
}

void Update_KeepInSlot(const char* slot, const char* file, const char* title) {
    if (FileX_Compare(file, slot) == 0) {
        FileX_Delete(file);
        return;
    }
    if (MoveFileExA(file, slot, MOVEFILE_REPLACE_EXISTING)) return;
    if (GetLastError() != ERROR_NOT_SAME_DEVICE) WinX_RaiseLastError();
    // Onto another volume: the slot's old file stays until the copy is whole.
    WinX_CopyWithProgress(slot, file, title, nullptr);
    FileX_Delete(file);
}
