#pragma once
// Commands that several DLLs share, and the nine exports every DLL of the common family has.
#include <functional>
#include <string>
#include <vector>

#include "api.h"
#include "commands.h"

namespace arc {

// The extraction commands of CAB32, 7-ZIP32, UNARJ32J, YZ1 and UNGCA32 name the archive
// without quotes, so a path with blanks arrives as several words: the longest run of the
// name words that is an existing file is the archive; the words after it stay names.
void JoinArchiveWords(ParsedCommand& c);

// The archive a command writes anew. One that is not there yet counts as empty; any other
// failure stops the command.
int LoadIfExists(const DllInfo& dll, const std::string& path, Archive& archive);

// Writes the entries named in `c` (all when none) below the current folder.
int ExtractArchive(const DllInfo& dll, const ParsedCommand& c, bool keep_paths, EntryPacer& pacer,
                   std::string& report);
// Decodes every entry; the report names each with its result.
int TestArchive(const DllInfo& dll, const ParsedCommand& c, std::string& report);
// The same two for the DLLs whose commands name the archive without quotes.
int Dll_Extract(const DllInfo& dll, ParsedCommand c, EntryPacer& pacer, std::string& report);
int Dll_Test(const DllInfo& dll, ParsedCommand c, std::string& report);
// The archive of `c`, once it loads, becomes a program of its name with the extension "exe",
// made of the stub beside the calling DLL and the archive. Without the stub it fails.
int Dll_SelfExtractor(const DllInfo& dll, const ParsedCommand& c);

// The files the names of `c` bring (everything below the current folder when none), never
// the archive, the response files or `also_exclude`.
int CollectNamed(const ParsedCommand& c, bool recursive, bool with_dirs, std::vector<Item>& out,
                 const std::string& also_exclude = "");
// One entry a command stores: the slow hook, its line in the report, the cancel hook.
int Pace(const std::string& name, EntryPacer& pacer, std::string& report);

using ImageWriter = std::function<int(const std::vector<Item>&, Bytes*)>;
// Loads the items' content and writes the image `write` makes of them to `path`.
int WriteImage(std::vector<Item>& items, const ImageWriter& write, const std::string& path);
// Creates the archive from the named files (all below the current folder when none), or
// adds them to an existing one, replacing entries of the same name.
int Dll_Create(const DllInfo& dll, const ParsedCommand& c, bool recursive, bool with_dirs,
               const ImageWriter& write, EntryPacer& pacer, std::string& report);

// A DLL of the family by its table row: file name, export prefix, the one format it reads.
// Used by the DLLs that only extract and test (UNARJ32J, UNGCA32).
int ExtractOnly_Run(const DllInfo& dll, const std::vector<Word>& words, EntryPacer& pacer,
                    std::string& report);

}  // namespace arc

// The nine exports every DLL of the family has, forwarding to the export layer: P is the
// prefix of the export names, INFO() gives the DllInfo, RUN runs one command line.
#define ARCHIVER_COMMON_EXPORTS(P, INFO, RUN)                                 \
    extern "C" {                                                              \
    int WINAPI P(HWND, LPCSTR line, LPSTR out, DWORD size) {                  \
        return arc::Api_Command(INFO(), line, out, size, RUN);                \
    }                                                                         \
    WORD WINAPI P##GetVersion() {                                             \
        arc::Stub_Log(INFO().file_name, #P "GetVersion", "");                 \
        return INFO().version;                                                \
    }                                                                         \
    BOOL WINAPI P##GetRunning() {                                             \
        return FALSE;                                                         \
    }                                                                         \
    BOOL WINAPI P##CheckArchive(LPCSTR path, int mode) {                      \
        return arc::Api_CheckArchive(INFO(), path, mode);                     \
    }                                                                         \
    int WINAPI P##GetFileCount(LPCSTR path) {                                 \
        return arc::Api_GetFileCount(INFO(), path);                           \
    }                                                                         \
    HANDLE WINAPI P##OpenArchive(HWND owner, LPCSTR path, DWORD mode) {       \
        return arc::Api_OpenArchive(INFO(), owner, path, mode);               \
    }                                                                         \
    int WINAPI P##CloseArchive(HANDLE h) {                                    \
        return arc::Api_CloseArchive(INFO(), h);                              \
    }                                                                         \
    int WINAPI P##FindFirst(HANDLE h, LPCSTR wildcard, arc::EntryRecord* r) { \
        return arc::Api_FindFirst(INFO(), h, wildcard, r);                    \
    }                                                                         \
    int WINAPI P##FindNext(HANDLE h, arc::EntryRecord* r) {                   \
        return arc::Api_FindNext(INFO(), h, r);                               \
    }                                                                         \
    }

// A DLL that only extracts and tests (ExtractOnly_Run) is one row: export prefix, file name,
// the format it reads.
#define EXTRACT_ONLY_DLL(P, FILE_NAME, FORMAT)                                                  \
    namespace {                                                                                 \
    const arc::DllInfo& Info() {                                                                \
        static const arc::DllInfo info = {FILE_NAME, #P, {&FORMAT}, true, 100};                 \
        return info;                                                                            \
    }                                                                                           \
    int Run(const std::vector<arc::Word>& words, arc::EntryPacer& pacer, std::string& report) { \
        return arc::ExtractOnly_Run(Info(), words, pacer, report);                              \
    }                                                                                           \
    }                                                                                           \
    ARCHIVER_COMMON_EXPORTS(P, Info, Run)
