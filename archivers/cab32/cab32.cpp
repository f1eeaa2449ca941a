// CAB32.DLL stand-in: Microsoft cabinets through the system's cabinet.dll.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "cab_format.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"CAB32.DLL", "Cab", {&kCabFormat}, true, 100};
    return info;
}

// "-x" extracts (with folders; -o, overwrite, is what extraction always does), "-a" creates
// or adds (-r: recurse into folders; "-mz" MSZIP is the default, "-m0" stores), "-t" tests, "-f"
// makes a self-extracting program of the cabinet.
int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(words, false);
    if (c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    if (HasSwitch(c, "-x")) return Dll_Extract(Info(), c, pacer, report);
    if (HasSwitch(c, "-t")) return Dll_Test(Info(), c, report);
    if (HasSwitch(c, "-a")) {
        const bool compress = !HasSwitch(c, "-m0");
        return Dll_Create(
            Info(), c, HasSwitch(c, "-r"), false,
            [compress](const std::vector<Item>& items, Bytes* out) {
                return Cab_Write(items, compress, out);
            },
            pacer, report);
    }
    if (HasSwitch(c, "-f")) return Dll_SelfExtractor(Info(), c);
    return kErrCommand;
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(Cab, Info, Run)
