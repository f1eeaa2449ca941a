// UNZIP32.DLL stand-in: extracts and lists ZIP archives through the shared engine.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "../engine/util.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"UNZIP32.DLL", "UnZip", {&kZipFormat}, false, 100};
    return info;
}

// The unzip command line: switches such as -o (overwrite; always done), -j (no folders),
// -t (test), -d FOLDER (extract there), then the archive and optional name patterns.
int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    std::vector<Word> rest;
    std::string folder;
    for (size_t i = 0; i < words.size(); ++i) {
        if (!words[i].quoted && words[i].text == "-d" && i + 1 < words.size()) {
            folder = words[++i].text;
            continue;
        }
        rest.push_back(words[i]);
    }
    ParsedCommand c = ParseCommand(rest, false);
    if (c.archive.empty()) return kErrCommand;
    Archive archive;
    int r = LoadArchive(Info(), c.archive, archive);
    if (r) return r;
    bool test = false, junk = false;
    for (const std::string& s : c.switches) {
        test = test || s.find('t') != std::string::npos;
        junk = junk || s.find('j') != std::string::npos;
    }
    if (test) {
        std::vector<uint8_t> content;
        for (const Entry& e : archive.entries)
            if ((r = archive.format->decode(archive, e, content)) != kOk) return r;
        return kOk;
    }
    char previous[MAX_PATH * 2] = "";
    if (!folder.empty()) {
        GetCurrentDirectoryA(sizeof previous, previous);
        if (!MakeDirs(folder) || !SetCurrentDirectoryA(folder.c_str())) return kErrCannotCreate;
    }
    r = ExtractAll(archive, c.names, !junk, pacer, report);
    if (!folder.empty()) SetCurrentDirectoryA(previous);
    return r;
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(UnZip, Info, Run)
