// The cache side of update and back to normal: the melt that gives the working folder, and
// the backup slot beside the working folder.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "archiver/dllbind.h"
#include "folders/destination.h"
#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/progress.h"
#include "shell/winx_errors.h"

char* Update_FullPath(char* out, const char* path) {
    DWORD n = GetFullPathNameA(path, Update_PathSize, out, nullptr);
    if (n == 0 || n >= Update_PathSize) StdPlus_CopyN(out, path, Update_PathSize);
    return out;
}

bool Update_MeltIntoCache(const Zent_Settings* s, const char* archive, char* folder) {
    FileX_MakeDirs(s->CachePath, false);
    folder[0] = '\0';
    if (Zent_UnlessCancelled(
            [&] { Zent_ExtractToDestination(s, archive, Zent_MeltTo_Cache, folder); }))
        return true;
    // The cancelled extraction left its "-remnants" folder in the cache: nobody asked for it.
    if (folder[0] != '\0' && FileX_Exists(folder) && StrX_IsInside(folder, s->CachePath))
        FileX_DeleteTree(folder);
    return false;
}

// The archive's extension with its dot: ".lzh", and ".tar.gz" for a compressed tar.
static const char* SlotExt(const char* file) {
    const char* ext = StrX_Ext(file);
    if (*ext == '\0') return ext;
    ext--;
    if (ext - file >= 4 && _strnicmp(ext - 4, ".tar", 4) == 0) ext -= 4;
    return ext;
}

// Working folders in one parent have names of their own, and so do their slots. Named like
// the archive, the folder gives its slot the archive's name; any other folder (the archive's
// top folder) gives its own name with the archive's extension, so that two archives
// "report.lzh" whose top folders lie side by side keep their previous versions apart.
char* Update_SlotPath(char* out, const char* archive, const char* folder) {
    char own[Update_PathSize], head[Update_PathSize], name[2 * Update_PathSize];
    StrX_CopyFileName(own, folder);
    const char* file = StrX_FileName(archive);
    size_t n = strlen(own);
    StdPlus_CopyN(head, file, n + 1 < sizeof head ? n + 1 : sizeof head);
    bool named_like_it = strlen(file) > n && file[n] == '.' && lstrcmpiA(head, own) == 0;
    // Too long for a path, the name makes the join raise.
    snprintf(name, sizeof name, "%s%s", own, SlotExt(file));
    StrX_ParentDir(out, folder);
    return StrX_Join(out, named_like_it ? file : name);
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
