// YZ1.DLL stand-in: the stand-ins' own YZ1 container (see archivers/README.md: real YZ1
// files are not read), LZMA-compressed.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "simple_container.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"YZ1.DLL", "Yz1", {&kYz1Format}, true, 100};
    return info;
}

// "x" extracts with folders (-y: overwrite, always done), "c" compresses the named files
// and folders with their trees, "t" tests. "s" would make a self-extractor with yzenc.exe,
// which this stand-in does not have.
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
            return kErrNotSupported;
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(Yz1, Info, Run)
