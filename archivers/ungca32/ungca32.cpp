// UNGCA32.DLL stand-in: extracts the stand-ins' own GCA container (see archivers/README.md:
// real GCA files are not read).
#include <windows.h>

#include "../formats/bridge/dll_commands.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"UNGCA32.DLL", "UnGCA", {&kGcaFormat}, true, 100};
    return info;
}

// "e" and "x" extract with folders ("e ... -sx1" is the program's command), "t" tests.
int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(words, true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    switch (std::tolower(static_cast<unsigned char>(c.verb[0]))) {
        case 'e':
        case 'x':
            return Dll_Extract(Info(), c, pacer, report);
        case 't':
            return Dll_Test(Info(), c, report);
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(UnGCA, Info, Run)
