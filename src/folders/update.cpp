#include "folders/update.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "archiver/compress.h"
#include "archiver/dllbind.h"
#include "archiver/entries.h"
#include "archiver/zent_types.h"
#include "folders/cachedb.h"
#include "folders/freeze.h"
#include "folders/update_local.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/stdplus.h"
#include "lib/strx.h"
#include "shell/dialog.h"

namespace {

const char kTitle[] = "圧縮フォルダの更新 - Quarvel SV";

// A tar that TAR32.DLL writes again as its name says: plain, gzip or bzip2. A lone gzip or
// bzip2 member would become a tar, and compress (".Z", ".taz") it cannot write.
bool WritableTarName(const char* archive) {
    static const char* const kEnds[] = {".tar.gz", ".tgz", ".tar", ".tar.bz2"};
    size_t n = strlen(archive);
    for (const char* end : kEnds) {
        size_t k = strlen(end);
        if (n > k && lstrcmpiA(archive + n - k, end) == 0) return true;
    }
    return false;
}

// The type the archive is written back as. Raises when its DLL cannot write it under its own
// name in its own format: RAR, ARJ, GCA, an unknown extension, and what the tar family
// cannot write as it is.
int WritableType(const char* archive) {
    int type = Zent_TypeOfPath(archive);
    char again[Update_PathSize];
    bool writable = Zent_CompressDllOf(type) != Zent_Dll_Count;
    if (type == Zent_TarType) {
        writable = writable && WritableTarName(archive);
    } else {
        writable = writable && StrX_SamePath(Zent_ArchivePathOf(again, archive, type), archive);
    }
    if (!writable)
        ERRORS_RAISE(Errors_Unofficial,
                     "%s は、この形式のままでは書きこめないので、更新できません。", archive);
    return type;
}

// Archiver DLLs may report success for an archive they left without its content.
void RequireEntries(const char* archive) {
    bool any = false;
    Zent_ForEachEntry(archive, [&](const char*) {
        any = true;
        return false;
    });
    if (!any)
        ERRORS_RAISE(Errors_Unofficial,
                     "圧縮の結果、%s が空になったので、元の圧縮ファイルに戻しました。", archive);
}

// The previous archive goes into the backup slot. The update itself is complete by now, so
// a failure here only says where the previous archive stayed.
void KeepPrevious(Update_Backup* backup, const char* archive, const char* folder) {
    char slot[Update_PathSize];
    Update_SlotPath(slot, archive, folder);
    bool kept = true;
    Except_TryCatch(
        __FILE__, __LINE__, [&] { backup->KeepIn(slot, kTitle); }, [&] { kept = false; });
    if (!kept)
        ERRORS_RAISE(FileX_Err_CannotWrite,
                     "%s は更新しましたが、前の圧縮ファイルを %s へ移せなかったので、%s "
                     "に残してあります。",
                     archive, slot, backup->Path());
}

void UnknownFolder(const char* archive, const char* folder) {
    ERRORS_RAISE(Errors_Unofficial,
                 "%s の作業フォルダ %s がキャッシュの記録にないので、更新できません。", archive,
                 folder);
}

// The cache database is read and written back under its semaphore, never held across the
// rewrite: a long update keeps no melt waiting, and an entry another process wrote meanwhile
// is not undone by a stale copy.

// The working folder of the archive as the database knows it; raises when it has none, as
// the rewritten archive would lose its working folder.
void RequireFolder(const Zent_Settings* s, const char* archive, const char* folder, char* out) {
    CacheDB_Read(s->CachePath, [&](CacheDB* db) {
        CacheDB_Entry* entry = CacheDB_Find(db, archive, folder);
        if (entry == nullptr) UnknownFolder(archive, folder);
        StdPlus_CopyN(out, entry->folder, Update_PathSize);
    });
}

// The new archive's identity, written into its entry on top of the file as it is now.
void RecordArchive(const Zent_Settings* s, const char* archive, const char* folder) {
    CacheDB_With(s->CachePath, [&](CacheDB* db) {
        CacheDB_Entry* entry = CacheDB_AtFolder(db, folder);
        if (entry == nullptr) UnknownFolder(archive, folder);
        CacheDB_SetArchive(entry, archive);
    });
}

// From the copy "~" on, every failure puts the archive back before it is passed on; the
// cache database is written only when the archive is the new one, and its failure puts the
// archive back too, so the database and the archive never disagree.
void Rewrite(const Zent_Settings* s, const char* archive, const char* folder, int type) {
    bool store_folder = Update_StoresFolder(archive, folder, type);
    char known[Update_PathSize];
    RequireFolder(s, archive, folder, known);
    Update_Backup backup(archive);
    backup.Make(kTitle);
    Except_TryCatch(
        __FILE__, __LINE__,
        [&] {
            std::string sources = std::string("\"") + folder + "\"";
            Zent_CompressTo(sources.c_str(), archive, store_folder, false, true, nullptr, type,
                            nullptr);
            RequireEntries(archive);
            // Nothing changed: the archive keeps its time, and the slot its older archive.
            if (FileX_Compare(backup.Path(), archive) == 0) backup.PutBack();
            RecordArchive(s, archive, known);
        },
        [&] {
            backup.PutBack();
            Except_Rethrow();
        });
    KeepPrevious(&backup, archive, folder);
}

}  // namespace

void UpdateArchive(const Zent_Settings* s, const char* path) {
    char archive[Update_PathSize];
    Update_FullPath(archive, path);
    int type = WritableType(archive);
    char folder[Update_PathSize];
    if (!Update_MeltIntoCache(s, archive, folder)) return;
    if (FileX_IsEmptyDir(folder)) {
        Freeze_RefuseEmptyFolder();
        return;
    }
    Dialog_WaitCursor wait;
    Zent_UnlessCancelled([&] { Rewrite(s, archive, folder, type); });
}
