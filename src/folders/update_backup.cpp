#include <windows.h>

#include <cstring>

#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/progress.h"

Update_Backup::Update_Backup(const char* archive) {
    StdPlus_CopyN(archive_, archive, sizeof archive_);
    if (strlen(archive) + 2 > sizeof path_)
        ERRORS_RAISE(FileX_Err_CannotWriteOpen, "%s~ は長すぎる名前なので、作れません。", archive);
    // "~" goes before the extension, or at the end of a name without one.
    const char* ext = StrX_Ext(archive);
    size_t at = ext[0] != '\0' ? static_cast<size_t>(ext - 1 - archive) : strlen(archive);
    memcpy(path_, archive, at);
    path_[at] = '~';
    StdPlus_CopyN(path_ + at + 1, archive + at, sizeof path_ - at - 1);
    if (FileX_Exists(path_))
        ERRORS_RAISE(FileX_Err_CannotWriteOpen,
                     "%s が既にあるので、更新の間に元の圧縮ファイルを残しておけません。", path_);
}

bool Update_Backup::Exists() const {
    return made_ && FileX_Exists(path_);
}

void Update_Backup::Make(const char* title) {
    WinX_CopyWithProgress(path_, archive_, title, nullptr);
    made_ = true;
}

void Update_Backup::PutBack() {
    if (!Exists()) return;
    if (MoveFileExA(path_, archive_, MOVEFILE_REPLACE_EXISTING)) {
        made_ = false;
        return;
    }
    // The archive could not be replaced (another program holds it open): then the update
    // could not replace it either, and it is still the archive the copy was made from.
    if (FileX_Compare(path_, archive_) != 0) return;
    SetFileAttributesA(path_, FILE_ATTRIBUTE_NORMAL);
    if (DeleteFileA(path_)) made_ = false;
}

void Update_Backup::KeepIn(const char* slot, const char* title) {
    if (!Exists()) return;
    Update_KeepInSlot(slot, path_, title);
    made_ = false;
}
