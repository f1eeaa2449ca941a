#pragma once
// Shared by the extraction source files only; no other module includes it.
#include <windows.h>

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

void ExtractRar(const char* archive, const char* base, char* result, bool use_cache,
                const char* cache_folder, HWND owner);

}  // namespace ExtractX
