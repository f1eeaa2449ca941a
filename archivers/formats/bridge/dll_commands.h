#pragma once
// Commands shared by the CAB32, 7-ZIP32, UNARJ32J, YZ1 and UNGCA32 stand-ins, and their
// common exports (the same nine as the engine's other DLLs).
#include <functional>

#include "../../engine/api.h"
#include "../../engine/commands.h"
#include "bridge.h"

namespace arc {

// Extracts everything (or the named entries) below the current folder, with folders.
int Dll_Extract(const DllInfo& dll, ParsedCommand c, EntryPacer& pacer, std::string& report);
// Decodes every entry; the report names each with its result.
int Dll_Test(const DllInfo& dll, ParsedCommand c, std::string& report);

using ImageWriter =
    std::function<ArcFormat::Status(const std::vector<ArcFormat::WriteItem>&, ArcFormat::Bytes*)>;
// Creates the archive from the named files (all below the current folder when none), or
// adds them to an existing one, replacing entries of the same name.
int Dll_Create(const DllInfo& dll, const ParsedCommand& c, bool recursive, bool with_dirs,
               const ImageWriter& write, EntryPacer& pacer, std::string& report);

}  // namespace arc

// The nine exports every DLL of the family has, forwarding to the engine's export layer.
// Exports need their own names per DLL, hence the one macro.
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
