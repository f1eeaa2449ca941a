#pragma once
// The common export layer of the DLL family: what every stand-in shares between its command
// export and its open/find/close enumeration. Each DLL supplies a DllInfo and thin exports.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cmdline.h"
#include "model.h"
#include "stub.h"

namespace arc {

struct DllInfo {
    const char* file_name;  // "UNLHA32.DLL": the log's first column and the dll: hook
    const char* prefix;     // "Unlha"
    std::vector<const Format*> formats;
    bool backslash_paths;  // entry records use '\' between folders (LHA) rather than '/'
    WORD version;          // version times 100
};

// The entry record the FindFirst/FindNext exports fill, 558 bytes packed. No pointers, so
// the layout is the same in both builds.
#pragma pack(push, 1)
struct EntryRecord {
    DWORD original_size;
    DWORD compressed_size;
    DWORD crc;
    UINT flag;
    UINT os_type;
    WORD ratio;  // tenths of a percent
    WORD date;   // MS-DOS packed
    WORD time;
    char file_name[513];
    char padding[3];
    char attribute[8];
    char method[8];
};
#pragma pack(pop)
static_assert(sizeof(EntryRecord) == 558, "entry record size");
static_assert(offsetof(EntryRecord, ratio) == 20, "ratio offset");
static_assert(offsetof(EntryRecord, date) == 22, "date offset");
static_assert(offsetof(EntryRecord, file_name) == 26, "path offset");
static_assert(offsetof(EntryRecord, attribute) == 542, "attribute offset");
static_assert(offsetof(EntryRecord, method) == 550, "method offset");

std::string Unquote(const std::string& path);
// Reads and parses an archive with the first of `formats` that recognises it.
int LoadArchive(const DllInfo& dll, const std::string& path, Archive& out,
                ArchiveUse use = ArchiveUse::Read);

int Api_GetFileCount(const DllInfo& dll, LPCSTR path);
HANDLE Api_OpenArchive(const DllInfo& dll, HWND owner, LPCSTR path, DWORD mode);
int Api_FindFirst(const DllInfo& dll, HANDLE archive, LPCSTR wildcard, EntryRecord* record);
int Api_FindNext(const DllInfo& dll, HANDLE archive, EntryRecord* record);
int Api_CloseArchive(const DllInfo& dll, HANDLE archive);
BOOL Api_CheckArchive(const DllInfo& dll, LPCSTR path, int mode);

// Runs one command: logs it, applies the fail hook, then `body` with the words of the line.
// `report` is copied into the caller's output buffer (cut to fit, always terminated).
using CommandBody = std::function<int(const std::vector<Word>&, EntryPacer&, std::string&)>;
int Api_Command(const DllInfo& dll, LPCSTR line, LPSTR out, DWORD out_size,
                const CommandBody& body);

// Writes the entries whose names match `filters` (all when empty) below the current folder,
// with folders (`keep_paths`) or flat, overwriting. ".." in entry names is kept as it is;
// only drive letters and leading separators are dropped.
int ExtractAll(const Archive& archive, const std::vector<std::string>& filters, bool keep_paths,
               EntryPacer& pacer, std::string& report);

// Files named by `patterns` (relative to the current folder, wildcards in the last part).
// A folder brings its whole tree when `recursive`; `with_dirs` also lists the folders
// themselves. Paths in `exclude` (full paths) are left out: the archive being written and the
// response file.
int CollectSources(const std::vector<std::string>& patterns, bool recursive, bool with_dirs,
                   const std::vector<std::string>& exclude, std::vector<Item>& out);
// Fills `data` of an item that comes from disk or from an archive read before.
int LoadContent(Item& item);

}  // namespace arc
