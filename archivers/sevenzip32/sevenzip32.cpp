// 7-ZIP32.DLL stand-in: 7z archives; reads Copy, LZMA and LZMA2, writes Copy or LZMA.
#include <windows.h>

#include "../engine/util.h"
#include "../formats/bridge/dll_commands.h"
#include "sevenzip_reader.h"
#include "sevenzip_writer.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"7-ZIP32.DLL", "SevenZip", {&kSevenZipFormat}, true, 100};
    return info;
}

// "-up0q0r2x2y2z1w2!"T"" carries a quoted name inside a switch; it is still a switch.
std::vector<Word> SwitchesStaySwitches(std::vector<Word> words) {
    for (Word& w : words)
        if (w.text.size() > 2 && w.text[0] == '-' && (w.text[1] == 'u' || w.text[1] == 'U'))
            w.quoted = false;
    return words;
}

ArcFormat::SevenZipMethod MethodOf(const ParsedCommand& c) {
    std::string m = SwitchValue(c, "-m0=", "LZMA");
    return lstrcmpiA(m.c_str(), "Copy") == 0 ? ArcFormat::SevenZipMethod::Copy
                                             : ArcFormat::SevenZipMethod::Lzma;
}

ImageWriter WriterFor(const ParsedCommand& c) {
    ArcFormat::SevenZipMethod method = MethodOf(c);
    return [method](const std::vector<ArcFormat::WriteItem>& items, ArcFormat::Bytes* out) {
        return ArcFormat::SevenZip_Write(items, method, out);
    };
}

bool Unsupported(const ParsedCommand& c) {
    std::string type = SwitchValue(c, "-t", "7z");
    return lstrcmpiA(type.c_str(), "7z") != 0 || HasSwitch(c, "-sfx");
}

int List(ParsedCommand c, std::string& report) {
    Bridge_JoinArchiveWords(&c.archive, &c.names);
    std::string path = Unquote(c.archive);
    if (!FileExists(path) || IsFolder(path)) return kErrArchiveNotFound;
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return kErrCannotRead;
    ArcFormat::SevenZipReader reader;
    int r = Bridge_Result(reader.Open(ArcFormat::Bytes(bytes.begin(), bytes.end())));
    if (r) return r;
    report = ArcFormat::SevenZip_ListText(path, reader);
    return kOk;
}

// u with -u- and -up0q0r2x2y2z1w2!T: T gets what the disk holds under the pattern. Files
// gone from the disk are dropped, new and changed ones read from it, and entries whose file
// is unchanged (same size and time) are copied from the old archive.
int Update(const ParsedCommand& c, EntryPacer& pacer, std::string& report) {
    std::string target = c.archive;
    for (const std::string& s : c.switches) {
        size_t bang = s.find('!');
        if (s.size() > 3 && (s[1] == 'u' || s[1] == 'U') && bang != std::string::npos)
            target = s.substr(bang + 1);
    }
    Archive old;
    if (FileExists(c.archive)) {
        int r = LoadArchive(Info(), c.archive, old);
        if (r) return r;
    }
    std::vector<std::string> exclude = c.response_files;
    exclude.push_back(FullPath(c.archive));
    exclude.push_back(FullPath(target));
    std::vector<Source> sources;
    std::vector<std::string> patterns = c.names.empty() ? std::vector<std::string>{"*"} : c.names;
    int r = CollectSources(patterns, HasSwitch(c, "-r"), true, exclude, sources);
    if (r) return r;
    std::vector<BridgeItem> items;
    for (const Source& s : sources) {
        BridgeItem item;
        item.source = s;
        for (const Entry& e : old.entries) {
            if (lstrcmpiA(e.name.c_str(), s.name.c_str()) != 0 || e.is_dir != s.is_dir) continue;
            if (e.size == s.size && e.mtime == s.mtime) {
                item.from = &old;
                item.kept = &e;
            }
        }
        if (!item.kept) {
            pacer.Before();
            report += s.name + "\r\n";
            if ((r = pacer.After()) != 0) return r;
        }
        items.push_back(item);
    }
    std::vector<ArcFormat::WriteItem> written;
    if ((r = Bridge_Items(items, &written)) != 0) return r;
    ArcFormat::Bytes image;
    if ((r = Bridge_Result(WriterFor(c)(written, &image))) != 0) return r;
    return Bridge_Save(target, image);
}

int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(SwitchesStaySwitches(words), true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    switch (std::tolower(static_cast<unsigned char>(c.verb[0]))) {
        case 'x':
            return Dll_Extract(Info(), c, pacer, report);
        case 'e': {
            Bridge_JoinArchiveWords(&c.archive, &c.names);
            Archive archive;
            int r = LoadArchive(Info(), c.archive, archive);
            return r ? r : ExtractAll(archive, c.names, false, pacer, report);
        }
        case 't':
            return Dll_Test(Info(), c, report);
        case 'l':
            return List(c, report);
        case 'a':
            if (Unsupported(c)) return kErrNotSupported;
            return Dll_Create(Info(), c, HasSwitch(c, "-r"), true, WriterFor(c), pacer, report);
        case 'u':
            if (Unsupported(c)) return kErrNotSupported;
            return Update(c, pacer, report);
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(SevenZip, Info, Run)
