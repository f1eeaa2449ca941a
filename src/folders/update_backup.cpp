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

// Whether the two names are links of one file.
static bool SameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION info[2];
    const char* paths[2] = {a, b};
    for (int i = 0; i < 2; i++) {
        HANDLE h = CreateFileA(paths[i], 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        BOOL ok = GetFileInformationByHandle(h, &info[i]);
        CloseHandle(h);
        if (!ok) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

// Whether the archive could be replaced now: not read-only, and held by no program that
// forbids its deletion.
static bool Replaceable(const char* archive) {
    DWORD attributes = GetFileAttributesA(archive);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY))
        return false;
    HANDLE h = CreateFileA(archive, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    CloseHandle(h);
    return true;
}

// The rewrite never writes into the archive: it builds the new one under a name of its own
// and renames it over the archive, which leaves the old file whole under a second name. So
// a link is the copy, made at once however large the archive. A file system without links
// (FAT) gets a real copy, and so does an archive that cannot be replaced now: the update
// fails then, and a link would share the attribute or the lock that keeps it from going.
void Update_Backup::Make(const char* title) {
    linked_ = Replaceable(archive_) && CreateHardLinkA(path_, archive_, nullptr);
    if (!linked_) WinX_CopyWithProgress(path_, archive_, title, nullptr);
    made_ = true;
}

void Update_Backup::PutBack() {
    if (!Exists()) return;
    // Still a link of the archive, which nothing replaced: the link just goes (a rename of
    // one link of a file onto another does nothing on Unix file systems).
    if (linked_ && SameFile(path_, archive_)) {
        if (DeleteFileA(path_)) made_ = false;
        return;
    }
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
