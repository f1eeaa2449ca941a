// YZ1.DLL stand-in: the stand-ins' own YZ1 container (see archivers/README.md: real YZ1
// files are not read), LZMA-compressed.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "../engine/sfx.h"
#include "simple_container.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"YZ1.DLL", "Yz1", {&kYz1Format}, true, 100};
    return info;
}

// s: the archive becomes a program of its name with the extension "exe", made of yzenc.exe
// (our stand-in stub, which the user copies into the system folder) and the archive. Without
// it the command fails, as the vendor's does.
int SelfExtractor(const ParsedCommand& c) {
    Archive check;
    int r = LoadArchive(Info(), c.archive, check);
    if (r) return r;
    char system[MAX_PATH] = "";
    GetSystemDirectoryA(system, sizeof system);
    return Sfx_Write(std::string(system) + "\\yzenc.exe", c.archive, Sfx_ExeName(c.archive));
}

// "x" extracts with folders (-y: overwrite, always done), "c" compresses the named files
// and folders with their trees, "t" tests, "s" makes a self-extracting program.
int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(words, true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    switch (std::tolower(static_cast<unsigned char>(c.verb[0]))) {
        case 'x':
        case 'e':
            return Dll_Extract(Info(), c, pacer, report);
        case 't':
            return Dll_Test(Info(), c, report);
        case 'c':
            return Dll_Create(
                Info(), c, true, true,
                [](const std::vector<Item>& items, Bytes* out) {
                    return Container_Write(ContainerKind::Yz1, items, true, out);
                },
                pacer, report);
        case 's':
            return SelfExtractor(c);
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(Yz1, Info, Run)
