#pragma once
// Shared by the extraction source files only; no other module includes it.
#include <windows.h>

#include <functional>

#include "archiver/dllbind.h"
#include "archiver/extract.h"

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

// How many "..\" an entry climbs once its inner parent steps are resolved.
int GuardUnits(const char* entry_path);
void AddGuardLevels(char* result, int depth);

struct Destination {
    bool extract;
    bool created;  // the result folder did not exist before this extraction
};

// Both join the destination to `result`, decide whether the DLL must run and leave the
// current directory where it writes.
Destination PrepareNamed(char* result, const char* archive, const Zent_ReuseFolder& reuse);
Destination PrepareSingleTop(char* result, const char* archive, const char* top,
                             const Zent_ReuseFolder& reuse);

// The chosen case of the layout (a folder named after the archive when there is no single
// top folder, or a lone file at the root), prepared as above.
Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               const Zent_ReuseFolder& reuse);

// RAR's own interface: the headers are read one by one.
void ExtractRar(const Zent_LoadedDll& dll, const char* archive, const char* quoted, char* result,
                const Zent_ReuseFolder& reuse);

}  // namespace ExtractX
