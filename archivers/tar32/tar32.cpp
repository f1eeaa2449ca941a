// TAR32.DLL stand-in: tar, tar.gz, tar.bz2 and lone gzip files through the shared engine.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "../engine/util.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"TAR32.DLL", "Tar", {&kTarFormat}, false, 100};
    return info;
}

struct TarSwitches {
    bool extract = false, create = false, list = false, lone_gzip = false;
    TarPacking packing = TarPacking::None;
};

// Short switches come bundled ("-zxvf"); long ones ("--self-extracting=1") are accepted and,
// apart from those we know, ignored.
TarSwitches ReadSwitches(const ParsedCommand& c) {
    TarSwitches s;
    for (const std::string& sw : c.switches) {
        if (sw.compare(0, 2, "--") == 0) continue;
        for (char ch : sw.substr(1)) {
            if (ch == 'x') s.extract = true;
            if (ch == 'c') s.create = true;
            if (ch == 't') s.list = true;
            if (ch == 'z') s.packing = TarPacking::Gzip;
            if (ch == 'j') s.packing = TarPacking::Bzip2;
            if (ch == 'G') s.lone_gzip = true;
        }
    }
    return s;
}

int Create(const ParsedCommand& c, const TarSwitches& s, EntryPacer& pacer, std::string& report) {
    std::vector<Item> sources;
    int r = CollectNamed(c, true, true, sources);
    if (r) return r;
    for (const Item& source : sources)
        if ((r = Pace(source.entry.name, pacer, report)) != 0) return r;
    if (s.lone_gzip) {
        if (sources.size() != 1 || sources[0].entry.is_dir) return kErrCommand;
        return Gz_Write(c.archive, sources[0]);
    }
    return Tar_Write(c.archive, sources, s.packing);
}

int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(words, false);
    if (c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    TarSwitches s = ReadSwitches(c);
    if (s.create) return Create(c, s, pacer, report);
    Archive archive;
    int r = LoadArchive(Info(), c.archive, archive);
    if (r) return r;
    if (s.list) {
        for (const Entry& e : archive.entries) report += e.name + "\r\n";
        return kOk;
    }
    if (s.extract) return ExtractAll(archive, c.names, true, pacer, report);
    return kErrCommand;
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(Tar, Info, Run)
