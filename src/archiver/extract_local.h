#pragma once
// Shared by the extraction source files only; no other module includes it.
#include <windows.h>

#include <functional>

#include "archiver/zent_types.h"

struct CacheDB;

namespace ExtractX {

bool IsSeparator(char c);

// What the layout probe found out about the entries.
struct Layout {
    bool single_top = true;
    bool has_separator = false;
    bool any_entry = false;
    char top[260] = "";
};

// The top of an entry path: cut just after its first separator (double-byte aware).
void TakeTop(Layout* layout, const char* path);
// "..\\" or ".\\" is no folder of the archive's own: taking it for the top would let the
// extraction write above the base folder.
bool TopIsAStep(const char* top);
bool BeginsWithNoCase(const char* path, const char* top);

// How many "..\" an entry climbs once its inner parent steps are resolved.
int GuardUnits(const char* entry_path);
void AddGuardLevels(char* result, int depth);

struct Destination {
    bool extract;
    bool created;  // the result folder did not exist before this extraction
};

// Both join the destination to `result`, decide whether the DLL must run and leave the
// current directory where it writes.
Destination PrepareNamed(char* result, const char* archive, CacheDB* db);
Destination PrepareSingleTop(char* result, const char* archive, const char* top, CacheDB* db);

// The chosen case of the layout (a folder named after the archive when there is no single
// top folder, or a lone file at the root), prepared as above.
Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               CacheDB* db);

// What every member does around its own work: the DLL's semaphore for the whole call, the
// result folder started at the base folder, the cache database opened when asked and
// written back on every way out. `work` gets the quoted archive path and the database
// (null without the cache).
void RunInFrame(Zent_DllId dll, const char* archive, const char* base, char* result, bool use_cache,
                const char* cache_folder,
                const std::function<void(const char* quoted, CacheDB* db)>& work);

void ExtractRar(const char* archive, const char* base, char* result, bool use_cache,
                const char* cache_folder, HWND owner);

}  // namespace ExtractX
