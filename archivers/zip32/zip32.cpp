// zip32.dll stand-in: writes deflated ZIP archives through the shared engine.
#include "zip32.h"

#include <cstring>
#include <string>
#include <vector>

#include "../engine/api.h"
#include "../engine/formats.h"
#include "../engine/util.h"

using namespace arc;

namespace {

const char kDll[] = "zip32.dll";

// Zip's own error numbers, which the caller maps to its messages.
enum ZipError {
    kZipOk = 0,
    kZipMemory = 4,
    kZipLogic = 5,
    kZipInterrupted = 9,
    kZipNothing = 12,
    kZipWrite = 14,
    kZipCreate = 15,
    kZipArgs = 16,
    kZipOpen = 18
};

ZipUserFunctions g_user;
bool g_ready = false;
ZpOptions g_options;
std::string g_root;

void Print(const std::string& text) {
    if (!g_user.print) return;
    std::string copy = text;
    g_user.print(&copy[0], static_cast<unsigned long>(copy.size()));
}

int ZipErrorOf(int engine_result) {
    switch (engine_result) {
        case kOk:
            return kZipOk;
        case kErrCannotRead:
            return kZipOpen;
        case kErrCannotCreate:
            return kZipCreate;
        case kErrNoFiles:
            return kZipNothing;
        case kErrUserCancel:
            return kZipInterrupted;
        default:
            return kZipWrite;
    }
}

int WriteArchive(int argc, const std::string& zip_path, char** names) {
    std::vector<std::string> patterns;
    for (int i = 0; i < argc; ++i)
        if (names && names[i]) patterns.push_back(names[i]);
    if (patterns.empty()) return kZipNothing;
    std::string full = FullPath(zip_path);
    char previous[MAX_PATH * 2] = "";
    GetCurrentDirectoryA(sizeof previous, previous);
    if (!g_root.empty() && !SetCurrentDirectoryA(g_root.c_str())) return kZipOpen;
    std::vector<Item> sources, kept;
    int r = CollectSources(patterns, g_options.recurse != 0, !g_options.no_dir_entries, {full},
                           sources);
    EntryPacer pacer(Stub_Read(kDll));
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    for (size_t i = 0; r == kOk && i < sources.size(); ++i) {
        if (!g_options.system && (sources[i].entry.attr & hidden)) continue;
        pacer.Before();
        Print("  adding: " + sources[i].entry.name + (sources[i].entry.is_dir ? "/" : "") + "\n");
        kept.push_back(sources[i]);
        r = pacer.After();
    }
    if (r == kOk && kept.empty()) r = kErrNoFiles;
    int level = (g_options.level >= '0' && g_options.level <= '9') ? g_options.level - '0' : 6;
    if (r == kOk) r = Zip_Write(full, kept, level);
    SetCurrentDirectoryA(previous);
    return ZipErrorOf(r);
}

}  // namespace

extern "C" {

void WINAPI ZpVersion(ZpVer* v) {
    Stub_Log(kDll, "ZpVersion", "");
    if (!v) return;
    std::memset(v, 0, sizeof *v);
    v->structlen = sizeof *v;
    std::strcpy(v->zlib_version, "1.2");
    v->zip = {2, 3, 1, 0};
    v->windll = {2, 3, 1, 0};
}

BOOL WINAPI ZpInit(ZipUserFunctions* user) {
    Stub_Log(kDll, "ZpInit", "");
    if (!user || !user->print || !user->comment) return FALSE;
    g_user = *user;
    g_ready = true;
    return TRUE;
}

BOOL WINAPI ZpSetOptions(ZpOptions* options) {
    Stub_Log(kDll, "ZpSetOptions", options && options->root_dir ? options->root_dir : "");
    if (!options) return FALSE;
    g_options = *options;
    g_root = options->root_dir ? options->root_dir : "";
    g_options.root_dir = nullptr;  // the caller's text may not outlive this call
    return TRUE;
}

// The published interface passes {count, archive, names} by value, which on the 32-bit stack
// is the same as three arguments; taking three arguments keeps the 64-bit build compatible
// with callers that declare it so.
int WINAPI ZpArchive(int argc, LPSTR zip_name, char** names) {
    std::string args = std::string(zip_name ? zip_name : "");
    for (int i = 0; names && i < argc; ++i) args += std::string(" ") + (names[i] ? names[i] : "");
    Stub_Log(kDll, "ZpArchive", args);
    StubHooks hooks = Stub_Read(kDll);
    if (hooks.fail) return hooks.fail;
    if (!g_ready) return kZipLogic;
    if (!zip_name || !*zip_name || argc < 0) return kZipArgs;
    try {
        return WriteArchive(argc, zip_name, names);
    } catch (...) {
        return kZipMemory;  // no C++ exception may reach the caller
    }
}

}  // extern "C"
