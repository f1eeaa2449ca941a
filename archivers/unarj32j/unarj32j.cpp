// UNARJ32J.DLL stand-in: extracts ARJ archives (methods 0 to 4).
#include <windows.h>

#include "../formats/bridge/dll_commands.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"UNARJ32J.DLL", "Unarj", {&kArjFormat}, true, 100};
    return info;
}

// "e" and "x" both extract with the stored folders (the program's "e ... -sx1 -y1" expects
// them; -y1, overwrite without asking, is what extraction always does); "t" tests.
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

ARCHIVER_COMMON_EXPORTS(Unarj, Info, Run)
