#include "dll_commands.h"

#include <windows.h>

#include "../../engine/util.h"

namespace arc {

int Dll_Extract(const DllInfo& dll, ParsedCommand c, EntryPacer& pacer, std::string& report) {
    Bridge_JoinArchiveWords(&c.archive, &c.names);
    Archive archive;
    int r = LoadArchive(dll, c.archive, archive);
    if (r) return r;
    return ExtractAll(archive, c.names, true, pacer, report);
}

int Dll_Test(const DllInfo& dll, ParsedCommand c, std::string& report) {
    Bridge_JoinArchiveWords(&c.archive, &c.names);
    Archive archive;
    int r = LoadArchive(dll, c.archive, archive);
    std::vector<uint8_t> content;
    for (size_t i = 0; r == kOk && i < archive.entries.size(); ++i) {
        r = archive.format->decode(archive, archive.entries[i], content);
        report += archive.entries[i].name + (r ? " : error\r\n" : " : ok\r\n");
    }
    return r;
}

int Dll_Create(const DllInfo& dll, const ParsedCommand& c, bool recursive, bool with_dirs,
               const ImageWriter& write, EntryPacer& pacer, std::string& report) {
    Archive old;
    if (FileExists(c.archive)) {
        int r = LoadArchive(dll, c.archive, old);
        if (r) return r;
    }
    std::vector<std::string> exclude = c.response_files;
    exclude.push_back(FullPath(c.archive));
    std::vector<Source> sources;
    std::vector<std::string> patterns = c.names.empty() ? std::vector<std::string>{"*"} : c.names;
    int r = CollectSources(patterns, recursive, with_dirs, exclude, sources);
    if (r) return r;
    std::vector<BridgeItem> items;
    for (const Entry& e : old.entries) {
        bool replaced = false;
        for (const Source& s : sources)
            replaced = replaced || lstrcmpiA(s.name.c_str(), e.name.c_str()) == 0;
        if (replaced) continue;
        BridgeItem keep;
        keep.from = &old;
        keep.kept = &e;
        items.push_back(keep);
    }
    for (const Source& s : sources) {
        pacer.Before();
        report += s.name + "\r\n";
        if ((r = pacer.After()) != 0) return r;
        BridgeItem add;
        add.source = s;
        items.push_back(add);
    }
    std::vector<ArcFormat::WriteItem> written;
    if ((r = Bridge_Items(items, &written)) != 0) return r;
    ArcFormat::Bytes image;
    if ((r = Bridge_Result(write(written, &image))) != 0) return r;
    return Bridge_Save(c.archive, image);
}

}  // namespace arc
