#pragma once
// Shared by the extraction source files only; no other module includes it.
#include <windows.h>

#include <functional>
#include <map>
#include <string>

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

// The top of an entry path: cut just after its first separator (double-byte aware). A top
// that names no folder of the archive's own (a root, a drive, a share or device, dots, an
// empty name) clears single_top: taken for the top, it would make the base folder itself,
// or a folder outside it, the result.
void TakeTop(Layout* layout, const char* path);
bool TopIsAFolderName(const char* top);

// How many "..\" an entry climbs once its inner parent steps are resolved. A name longer
// than the guard can judge (`limit` bytes and more), a rooted one or one with a drive
// raises Zent_Err_UnsafeArchive; `drop_leading_separator` allows one leading separator.
int GuardUnits(const char* entry_path, size_t limit, bool drop_leading_separator);
// Every name of an archive, judged one by one before the DLL runs. Check raises
// Zent_Err_UnsafeArchive, naming the entry, for a name with a character that the code page
// cannot hold (the DLLs put '?' in its place), and, naming both, for a file that Windows would
// write under the same name as an earlier one (case, trailing dots and blanks, "." steps, a
// repeated name).
class EntryNames {
public:
    void Check(const char* entry_path, bool is_folder);

private:
    std::map<std::wstring, std::string> files_;  // the name as Windows opens it, as listed
};
// Raises Zent_Err_UnsafeArchive rather than cut the result past 220 characters. The first
// level is named after no folder or file of the base folder.
void AddGuardLevels(char* result, int depth);
// Before the DLL writes anything: makes the topmost of the `depth` guard levels above
// `folder`, the folder the DLL runs in. Content that climbs lands in that folder only, so
// it must be new: when it is there already, Zent_Err_UnsafeArchive is raised.
void ClaimGuardLevels(const char* folder, int depth);

struct Destination {
    bool extract;
    bool created;  // the result folder did not exist before this extraction
};

// After a failure or a cancel once the DLL has begun: a folder this extraction made goes to
// the first free "-remnants" name ("-remnants2"... when an earlier one is kept), which
// `result` then names; a folder that was there before is the user's and stays where it is.
void KeepRemnants(char* result, const Destination& d);

// Both join the destination to `result`, decide whether the DLL must run and leave the
// current directory where it writes.
// `guard` is the number of guard levels (ClaimGuardLevels).
Destination PrepareNamed(char* result, const char* archive, const Zent_ReuseFolder& reuse,
                         int guard);
Destination PrepareSingleTop(char* result, const char* archive, const char* top,
                             const Zent_ReuseFolder& reuse, int guard);

// The chosen case of the layout (a folder named after the archive when there is no single
// top folder, or a lone file at the root), prepared as above.
Destination PrepareDestination(const Layout& layout, int count, char* result, const char* archive,
                               const Zent_ReuseFolder& reuse, int guard);

// RAR's own interface: the headers are read one by one.
// `d` is filled in as soon as the destination is prepared.
void ExtractRar(const Zent_LoadedDll& dll, const char* archive, const char* quoted, char* result,
                const Zent_ReuseFolder& reuse, Destination* d);

}  // namespace ExtractX
