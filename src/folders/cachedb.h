#pragma once
// The cache database "cache-db.ini": which working folder in the cache holds which melted
// archive. An archive is known by its modification time, size and a checksum of its first
// 4096 bytes, so an unchanged archive finds its folder again even after it was moved.
#include <ctime>
#include <functional>

#include "lib/arrx.h"

struct CacheDB_Entry {
    char archive[260];
    time_t time;
    int size;
    int checksum;
    char folder[260];
    int sequence;  // 0 for the first folder of a name, N for ...\afN\name
    bool changed;  // to be written back by this process (not stored)
};

struct CacheDB {
    char file[260];
    ArrX table;  // CacheDB_Entry records
};

// Every caller hands in this much memory: room for 1024 entries. (With a 64-bit time the
// record is a few bytes longer than 536, so the area is sized from the record itself.)
enum { CacheDB_MaxEntries = 1024 };
constexpr size_t CacheDB_AreaSize = CacheDB_MaxEntries * sizeof(CacheDB_Entry);

void CacheDB_Open(CacheDB* db, const char* file, void* area, size_t area_size);
// Runs `work` with the database "cache-db.ini" of the cache folder open, written back on
// every way out. One database at a time: the table lives in one static area.
void CacheDB_With(const char* cache_folder, const std::function<void(CacheDB* db)>& work);
// The same for a look only: nothing is written back.
void CacheDB_Read(const char* cache_folder, const std::function<void(CacheDB* db)>& work);
// Writes back the entries this process added or changed, on top of the file as it is then:
// the others keep what other processes wrote meanwhile. Entries whose archive is gone are
// dropped, their working folders deleted when inside the cache (a folder that cannot go now
// keeps its entry for a later write-back). An archive out of reach is not gone.
void CacheDB_Close(CacheDB* db);
// `folder` is the proposed working folder and receives the entry's folder. True when a new
// entry was added.
bool CacheDB_FindOrAdd(CacheDB* db, const char* archive, char* folder);
CacheDB_Entry* CacheDB_Find(CacheDB* db, const char* archive, const char* folder);
// The working folder of the entry for this archive path (letter case aside); null when
// the database has none.
const char* CacheDB_FolderOf(CacheDB* db, const char* archive);
// The working folder of the entry for this archive path when the archive is unchanged since
// (same time, size and checksum); null otherwise. Reads the archive's first bytes only when
// the database has an entry for its path.
const char* CacheDB_UnchangedFolderOf(CacheDB* db, const char* archive);
// The archive's identity as it is on disk now; the entry is written back at the close.
void CacheDB_SetArchive(CacheDB_Entry* entry, const char* archive);
// The entry of this working folder (letter case aside); null when there is none.
CacheDB_Entry* CacheDB_AtFolder(CacheDB* db, const char* folder);

int CacheDB_Count(const CacheDB* db);
CacheDB_Entry* CacheDB_At(CacheDB* db, int index);
