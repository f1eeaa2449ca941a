// Drives the stand-in DLLs from the command line, for the interoperability script and the
// benchmark (both run it under Wine next to Linux tools):
//   arcdrive run DLL PREFIX "command line"      calls the command export; exit code = result
//   arcdrive zip ROOT ARCHIVE NAME...           zip32.dll: ZpInit, ZpSetOptions, ZpArchive
//   arcdrive list DLL PREFIX ARCHIVE            one line per entry record
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../engine/api.h"
#include "../zip32/zip32.h"

namespace {

template <typename Fn>
Fn Resolve(HMODULE dll, const std::string& name) {
    FARPROC f = GetProcAddress(dll, name.c_str());
    if (!f) std::fprintf(stderr, "missing export %s\n", name.c_str());
    // Through the generic function type, which the compiler accepts as a cast target.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(f));
}

int Run(HMODULE dll, const std::string& prefix, const char* line) {
    typedef int(WINAPI * Command)(HWND, LPCSTR, LPSTR, DWORD);
    auto command = Resolve<Command>(dll, prefix);
    if (!command) return 2;
    char out[256];
    int r = command(nullptr, line, out, sizeof out);
    if (r) std::fprintf(stderr, "result 0x%X\n", r);
    return r;
}

int List(HMODULE dll, const std::string& prefix, const char* archive) {
    typedef HANDLE(WINAPI * Open)(HWND, LPCSTR, DWORD);
    typedef int(WINAPI * First)(HANDLE, LPCSTR, arc::EntryRecord*);
    typedef int(WINAPI * Next)(HANDLE, arc::EntryRecord*);
    typedef int(WINAPI * Close)(HANDLE);
    auto open = Resolve<Open>(dll, prefix + "OpenArchive");
    auto first = Resolve<First>(dll, prefix + "FindFirst");
    auto next = Resolve<Next>(dll, prefix + "FindNext");
    auto close = Resolve<Close>(dll, prefix + "CloseArchive");
    if (!open || !first || !next || !close) return 2;
    HANDLE h = open(nullptr, archive, 0x202);
    if (!h) return 3;
    arc::EntryRecord r;
    for (int found = first(h, "*", &r); found == 0; found = next(h, &r))
        std::printf("%s|%lu|%lu|%08lX|%04X|%04X|%s|%u\n", r.file_name,
                    static_cast<unsigned long>(r.original_size),
                    static_cast<unsigned long>(r.compressed_size),
                    static_cast<unsigned long>(r.crc), r.date, r.time, r.method, r.ratio);
    close(h);
    return 0;
}

int WINAPI PrintText(LPSTR, unsigned long size) {
    return int(size);
}
LPSTR WINAPI NoComment(LPSTR comment) {
    if (comment) comment[0] = 0;
    return comment;
}
int WINAPI NoPassword(LPSTR, int, LPCSTR, LPCSTR) {
    return 1;
}

int Zip(HMODULE dll, int argc, char** argv) {
    auto init = Resolve<BOOL(WINAPI*)(ZipUserFunctions*)>(dll, "ZpInit");
    auto options = Resolve<BOOL(WINAPI*)(ZpOptions*)>(dll, "ZpSetOptions");
    auto archive = Resolve<int(WINAPI*)(int, LPSTR, char**)>(dll, "ZpArchive");
    if (!init || !options || !archive) return 2;
    ZipUserFunctions user = {PrintText, NoComment, NoPassword, nullptr};
    if (!init(&user)) return 4;
    ZpOptions o;
    std::memset(&o, 0, sizeof o);
    o.root_dir = argv[2];
    o.system = TRUE;
    o.extra = TRUE;
    o.recurse = 1;
    options(&o);
    int r = archive(argc - 4, argv[3], argv + 4);
    if (r) std::fprintf(stderr, "zip result %d\n", r);
    return r;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: arcdrive run|list DLL PREFIX TEXT | zip ROOT ARCHIVE NAME...\n");
        return 2;
    }
    std::string verb = argv[1];
    HMODULE dll = LoadLibraryA(verb == "zip" ? "zip32.dll" : argv[2]);
    if (!dll) {
        std::fprintf(stderr, "cannot load the DLL\n");
        return 2;
    }
    if (verb == "zip" && argc >= 5) return Zip(dll, argc, argv);
    if (verb == "run" && argc == 5) return Run(dll, argv[3], argv[4]);
    if (verb == "list" && argc == 5) return List(dll, argv[3], argv[4]);
    return 2;
}
