#include "folders/cachedb.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "lib/handles.h"
#include "lib/errors.h"
#include "lib/except3.h"
#include "lib/filex.h"
#include "lib/inifile.h"
#include "lib/stdplus.h"
#include "lib/strx.h"

static const char kSemaphore[] = "Zent_CacheDB";
static const char kSection[] = "main";
static const char kKey[] = "File";
static const char kFormat[] = "stiisi";

static CacheDB_Entry* Entries(const CacheDB* db) {
    return reinterpret_cast<CacheDB_Entry*>(db->table.start);
}

int CacheDB_Count(const CacheDB* db) {
    return static_cast<int>((db->table.end - db->table.start) / sizeof(CacheDB_Entry));
}

CacheDB_Entry* CacheDB_At(CacheDB* db, int index) {
    return Entries(db) + index;
}

// The last component of a folder path; a trailing "\" does not count.
static void FolderName(char* out, const char* folder) {
    char path[260];
    StdPlus_CopyN(path, folder, sizeof path);
    StdPlus_DropTrailChar(path, '\\');
    StrX_CopyFileName(out, path);
}

static bool SameFolderName(const char* a, const char* b) {
    char name_a[260], name_b[260];
    FolderName(name_a, a);
    FolderName(name_b, b);
    return lstrcmpiA(name_a, name_b) == 0;
}

static bool IsClaimed(const CacheDB* db, const char* folder) {
    for (int i = 0; i < CacheDB_Count(db); i++) {
        if (lstrcmpiA(Entries(db)[i].folder, folder) == 0) return true;
    }
    return false;
}

static CacheDB_Entry* Append(CacheDB* db) {
    return static_cast<CacheDB_Entry*>(ArrX_Alloc(&db->table, sizeof(CacheDB_Entry)));
}

// A record holds two paths of up to 259 characters each: the line is read whole, and so are
// the paths. Cut short, an archive's path would name no file, and the next write-back would
// delete its working folder with the user's edits.
enum { kLineSize = 1024 };

// The reader is closed by a guard rather than a try frame: this runs under the frames of
// the melt, the database and LoadRecords, and every melt keeps two of the five free.
struct ReaderCloser {
    IniFile_Reader* reader;
    ~ReaderCloser() { IniFile_CloseRead(reader); }
};

static void ReadRecords(CacheDB* db, bool only_unknown) {
    char line[kLineSize];
    IniFile_Reader reader;
    IniFile_OpenRead(&reader, db->file, line, sizeof line);
    ReaderCloser closer{&reader};
    reader.max_string = sizeof(CacheDB_Entry::archive);
    IniFile_Read_setSection(&reader, kSection);
    int count = IniFile_CountRecords(&reader, kKey);
    for (int i = 0; i < count; i++) {
        CacheDB_Entry e = {};
        IniFile_ReadRecord(&reader, kKey, kFormat, e.archive, &e.time, &e.size, &e.checksum,
                           e.folder, &e.sequence);
        if (only_unknown && IsClaimed(db, e.folder)) continue;
        *Append(db) = e;
    }
}

static bool IsUnreadable(int code) {
    return code == FileX_Err_EOF || code == IniFile_NotFoundSection ||
           code == IniFile_Err_BadFormat || code == IniFile_Err_FewAttr ||
           code == IniFile_Err_BadAttr;
}

// Reads every "File" record of the database file; with `only_unknown`, only those whose
// working folder the table does not hold yet. A file that cannot be read as a database (cut
// short, overwritten) is kept under a name of its own and the table goes on without it:
// failing here would fail every later melt.
static void LoadRecords(CacheDB* db, bool only_unknown) {
    if (!FileX_Exists(db->file)) return;
    int had = CacheDB_Count(db);
    Except_TryCatch(
        __FILE__, __LINE__, [&] { ReadRecords(db, only_unknown); },
        [&] {
            if (!IsUnreadable(Except_Error()->code)) Except_Rethrow();
            db->table.end = db->table.start + had * sizeof(CacheDB_Entry);
            char folder[StrX_PathSize];
            StrX_ParentDir(folder, db->file);
            char aside[StrX_PathSize];
            FileX_NumberedName(folder, "cache-db-damaged", "ini", aside);
            FileX_Move(aside, db->file);
        });
}

void CacheDB_Open(CacheDB* db, const char* file, void* area, size_t area_size) {
    Own_SemaphoreLock lock(kSemaphore);
    ArrX_Init(&db->table, area, area_size);
    StdPlus_CopyN(db->file, file, sizeof db->file);
    LoadRecords(db, false);
}

const char* CacheDB_FolderOf(CacheDB* db, const char* archive) {
    for (int i = 0; i < CacheDB_Count(db); i++) {
        if (StrX_SamePath(Entries(db)[i].archive, archive)) return Entries(db)[i].folder;
    }
    return nullptr;
}

static void WithOpen(const char* cache_folder, bool write_back,
                     const std::function<void(CacheDB* db)>& work) {
    // Static: the table is over half a megabyte, too much for the stack.
    static char area[CacheDB_AreaSize];
    static bool in_use = false;
    if (in_use) {
        ERRORS_RAISE(Errors_Unofficial, "%s",
                     "キャッシュの記録を開いている間に、もう一度開こうとしました。");
    }
    char file[260];
    StdPlus_CopyN(file, cache_folder, sizeof file);
    StrX_Join(file, "cache-db.ini");
    CacheDB db{};
    CacheDB_Open(&db, file, area, sizeof area);
    in_use = true;
    // The write-back after the work is no finally section: a write that fails raises to the
    // caller like any failure of the work, and the caller's catch clause sees it.
    Except_TryCatch(
        __FILE__, __LINE__, [&] { work(&db); },
        [&] {
            in_use = false;
            if (write_back) CacheDB_Close(&db);
            Except_Rethrow();
        });
    in_use = false;
    if (write_back) CacheDB_Close(&db);
}

void CacheDB_With(const char* cache_folder, const std::function<void(CacheDB* db)>& work) {
    WithOpen(cache_folder, true, work);
}

void CacheDB_Read(const char* cache_folder, const std::function<void(CacheDB* db)>& work) {
    WithOpen(cache_folder, false, work);
}

void CacheDB_SetArchive(CacheDB_Entry* entry, const char* archive) {
    if (strlen(archive) >= sizeof entry->archive)
        ERRORS_RAISE(StrX_Err_TooLongPath, "パスが長すぎます（%s）", archive);
    StdPlus_CopyN(entry->archive, archive, sizeof entry->archive);
    FileX_Time(archive, &entry->time);
    entry->size = static_cast<int>(FileX_Size(archive));
    entry->checksum = static_cast<int>(FileX_Checksum(archive, 4096));
    entry->changed = true;
}

CacheDB_Entry* CacheDB_AtFolder(CacheDB* db, const char* folder) {
    for (int i = 0; i < CacheDB_Count(db); i++) {
        if (lstrcmpiA(Entries(db)[i].folder, folder) == 0) return Entries(db) + i;
    }
    return nullptr;
}

CacheDB_Entry* CacheDB_Find(CacheDB* db, const char* archive, const char* folder) {
    bool known = false;
    CacheDB_Entry now = {};
    for (int i = 0; i < CacheDB_Count(db); i++) {
        CacheDB_Entry* e = Entries(db) + i;
        if (!SameFolderName(e->folder, folder)) continue;
        // The archive is read only when an entry of the same folder name exists.
        if (!known) {
            CacheDB_SetArchive(&now, archive);
            known = true;
        }
        if (now.time == e->time && now.size == e->size && now.checksum == e->checksum) {
            if (strcmp(e->archive, archive) != 0) e->changed = true;
            StdPlus_CopyN(e->archive, archive, sizeof e->archive);
            return e;
        }
    }
    return nullptr;
}

const char* CacheDB_UnchangedFolderOf(CacheDB* db, const char* archive) {
    bool known = false;
    CacheDB_Entry now = {};
    for (int i = 0; i < CacheDB_Count(db); i++) {
        CacheDB_Entry* e = Entries(db) + i;
        if (!StrX_SamePath(e->archive, archive)) continue;
        if (!known) {
            if (!FileX_Exists(archive) || FileX_IsDir(archive)) return nullptr;
            CacheDB_SetArchive(&now, archive);
            known = true;
        }
        if (now.time == e->time && now.size == e->size && now.checksum == e->checksum)
            return e->folder;
    }
    return nullptr;
}

// ...\name with sequence N above 0 becomes ...\afN\name.
static void SequenceFolder(char* out, const char* proposed, int sequence) {
    StdPlus_CopyN(out, proposed, 260);
    if (sequence == 0) return;
    char name[260];
    FolderName(name, proposed);
    StdPlus_DropTrailChar(out, '\\');
    StrX_CutLast(out);
    char level[16];
    snprintf(level, sizeof level, "af%d", sequence);
    StrX_Join(out, level);
    StrX_Join(out, name);
}

static CacheDB_Entry* Add(CacheDB* db, const char* archive, const char* folder) {
    Own_SemaphoreLock lock(kSemaphore);
    // Another process may have added entries since this table was loaded; seeing them
    // keeps two archives of the same name out of one working folder.
    LoadRecords(db, true);
    int highest = -1;
    for (int i = 0; i < CacheDB_Count(db); i++) {
        const CacheDB_Entry* e = Entries(db) + i;
        if (SameFolderName(e->folder, folder) && e->sequence > highest) highest = e->sequence;
    }
    int sequence = highest + 1;
    char chosen[260];
    SequenceFolder(chosen, folder, sequence);
    // A folder on disk that no entry claims may be the fresh work of a melt that has not
    // written the database back yet: never extract a second archive into it.
    while (FileX_Exists(chosen) && !IsClaimed(db, chosen))
        SequenceFolder(chosen, folder, ++sequence);

    CacheDB_Entry* e = Append(db);
    memset(e, 0, sizeof *e);
    StdPlus_CopyN(e->folder, chosen, sizeof e->folder);
    CacheDB_SetArchive(e, archive);
    e->sequence = sequence;
    return e;
}

bool CacheDB_FindOrAdd(CacheDB* db, const char* archive, char* folder) {
    CacheDB_Entry* e = CacheDB_Find(db, archive, folder);
    bool added = e == nullptr;
    if (added) e = Add(db, archive, folder);
    StdPlus_CopyN(folder, e->folder, 260);
    return added;
}

// Gone means its folder is there without it. An archive on a drive that is not ready, on a
// share that is away or in a folder that went with a removable disk is only out of reach.
static bool IsGone(const char* archive) {
    if (GetFileAttributesA(archive) != INVALID_FILE_ATTRIBUTES) return false;
    if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    char parent[StrX_PathSize];
    return FileX_IsDir(StrX_ParentDir(parent, archive));
}

// Whatever a record says (a damaged or hand-edited file may name any folder, `..` steps
// included), only a folder inside the cache is ever deleted.
static bool IsInsideCache(const CacheDB* db, const char* folder) {
    char cache[StrX_PathSize], full[StrX_PathSize];
    StrX_ParentDir(cache, db->file);
    DWORD n = GetFullPathNameA(cache, sizeof cache, cache, nullptr);
    if (n == 0 || n >= sizeof cache) return false;
    n = GetFullPathNameA(folder, sizeof full, full, nullptr);
    return n > 0 && n < sizeof full && StrX_IsInside(full, cache);
}

// The folder of a gone archive goes with its entry. One that cannot be deleted now (a file in
// it is open) keeps its entry for a later write-back: never a failure of the action.
static bool DeleteStale(const CacheDB* db, const char* folder) {
    if (!FileX_Exists(folder) || !IsInsideCache(db, folder)) return true;
    Except_TryCatch(
        __FILE__, __LINE__, [&] { FileX_DeleteTree(folder); }, [] {});
    return !FileX_Exists(folder);
}

static void DropGone(CacheDB* db) {
    CacheDB_Entry* kept = Entries(db);
    for (int i = 0; i < CacheDB_Count(db); i++) {
        CacheDB_Entry* e = Entries(db) + i;
        if (IsGone(e->archive) && DeleteStale(db, e->folder)) continue;
        *kept++ = *e;
    }
    db->table.end = reinterpret_cast<char*>(kept);
}

// The new file is written beside the old one and takes its place only when complete: a
// process killed during the write-back leaves the old database or the new one, never a part.
// One name serves every process, as the write-back runs under the semaphore. It is no longer
// than the database's own ("cache-db.new"), so a database that fits the path limit has a
// write-back that fits too.
static void WriteTable(CacheDB* db) {
    char temporary[StrX_PathSize];
    StdPlus_CopyN(temporary, db->file, sizeof temporary);
    StrX_SetExt(temporary, "new");
    bool replaced = IniFile_WriteWhole(db->file, temporary, [&](IniFile_Writer* writer) {
        IniFile_WriteSection(writer, kSection);
        for (int i = 0; i < CacheDB_Count(db); i++) {
            CacheDB_Entry* e = Entries(db) + i;
            IniFile_WriteRecord(writer, kKey, kFormat, e->archive, &e->time, e->size, e->checksum,
                                e->folder, e->sequence);
        }
    });
    if (!replaced) ERRORS_RAISE(FileX_Err_CannotWrite, "%s の書きこみに失敗しました。", db->file);
}

void CacheDB_Close(CacheDB* db) {
    std::vector<CacheDB_Entry> changed;
    for (int i = 0; i < CacheDB_Count(db); i++)
        if (Entries(db)[i].changed) changed.push_back(Entries(db)[i]);
    Own_SemaphoreLock lock(kSemaphore);
    // Only what this process added or changed goes back, on top of the file as it is now: the
    // rest of this table may be older than what another process wrote meanwhile.
    db->table.end = db->table.start;
    LoadRecords(db, false);
    for (const CacheDB_Entry& mine : changed) {
        CacheDB_Entry* e = CacheDB_AtFolder(db, mine.folder);
        *(e != nullptr ? e : Append(db)) = mine;
    }
    DropGone(db);
    WriteTable(db);
}
