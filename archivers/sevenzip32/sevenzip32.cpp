// 7-ZIP32.DLL stand-in: 7z archives; reads them all, writes Copy, LZMA or LZMA2, solid or not.
#include <windows.h>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "../engine/sfx.h"
#include "../engine/util.h"
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

// "-m0=LZMA:a2": the method before its parameters (LZMA's are left at their defaults).
// False for a method we do not write.
bool MethodOf(const ParsedCommand& c, SevenZipMethod* method) {
    std::string m = SwitchValue(c, "-m0=", "LZMA");
    m = m.substr(0, m.find(':'));
    static const struct {
        const char* name;
        SevenZipMethod method;
    } kMethods[] = {{"Copy", SevenZipMethod::Copy},
                    {"LZMA", SevenZipMethod::Lzma},
                    {"LZMA2", SevenZipMethod::Lzma2}};
    for (const auto& known : kMethods) {
        if (lstrcmpiA(m.c_str(), known.name) != 0) continue;
        *method = known.method;
        return true;
    }
    return false;
}

// Solid unless "-ms=off" (or its short form "-ms-") says otherwise, as in 7-Zip.
bool SolidOf(const ParsedCommand& c) {
    std::string s = SwitchValue(c, "-ms=", "on");
    return lstrcmpiA(s.c_str(), "off") != 0 && !HasSwitch(c, "-ms-");
}

// With -sfx the archive named in the command is a program: our stub (beside this DLL) with
// the 7z archive appended.
ImageWriter WriterFor(const ParsedCommand& c, SevenZipMethod method) {
    bool solid = SolidOf(c);
    std::string stub =
        HasSwitch(c, "-sfx") ? Sfx_StubBeside(reinterpret_cast<const void*>(&MethodOf)) : "";
    return [method, solid, stub](const std::vector<Item>& items, Bytes* out) {
        int r = SevenZip_Write(items, method, solid, out);
        return r || stub.empty() ? r : Sfx_Wrap(stub, out);
    };
}

// Another archive type than 7z, or a method we do not write.
bool Unsupported(const ParsedCommand& c, SevenZipMethod* method) {
    std::string type = SwitchValue(c, "-t", "7z");
    return lstrcmpiA(type.c_str(), "7z") != 0 || !MethodOf(c, method);
}

int List(ParsedCommand c, std::string& report) {
    JoinArchiveWords(c);
    std::string path = Unquote(c.archive);
    if (!FileExists(path) || IsFolder(path)) return kErrArchiveNotFound;
    SharedBytes bytes;
    if (!HoldWholeFile(path, ArchiveUse::Read, &bytes)) return kErrCannotRead;
    SevenZipReader reader;
    int r = reader.Open(bytes);
    if (r) return r;
    report = SevenZip_ListText(path, reader);
    return kOk;
}

// u with -u- and -up0q0r2x2y2z1w2!T: T gets what the disk holds under the pattern. Files
// gone from the disk are dropped, new and changed ones read from it, and entries whose file
// is unchanged (same size and time) are copied from the old archive: as they were packed when
// each has a block of its own there and the new archive is not solid, else decoded and
// packed again.
int Update(const ParsedCommand& c, SevenZipMethod method, EntryPacer& pacer, std::string& report) {
    std::string target = c.archive;
    for (const std::string& s : c.switches) {
        size_t bang = s.find('!');
        if (s.size() > 3 && (s[1] == 'u' || s[1] == 'U') && bang != std::string::npos)
            target = s.substr(bang + 1);
    }
    Archive old;
    int r = LoadIfExists(Info(), c.archive, old);
    if (r) return r;
    std::vector<Item> items;
    if ((r = CollectNamed(c, HasSwitch(c, "-r"), true, items, target)) != 0) return r;
    // Blocks kept as packed go only into an archive that is not solid.
    const auto* reader =
        SolidOf(c) ? nullptr : static_cast<const SevenZipReader*>(old.reader.get());
    for (Item& item : items) {
        const Entry& s = item.entry;
        const Entry* kept = nullptr;
        for (const Entry& e : old.entries) {
            if (lstrcmpiA(e.name.c_str(), s.name.c_str()) != 0 || e.is_dir != s.is_dir) continue;
            if (e.size == s.size && e.mtime == s.mtime) kept = &e;
        }
        if (!kept) {
            if ((r = Pace(s.name, pacer, report)) != 0) return r;
            continue;
        }
        item.entry = *kept;
        if (!reader || !reader->KeepPacked(kept->header_offset, method, &item)) item.from = &old;
    }
    return WriteImage(items, WriterFor(c, method), target);
}

int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(SwitchesStaySwitches(words), true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    SevenZipMethod method = SevenZipMethod::Lzma;
    switch (std::tolower(static_cast<unsigned char>(c.verb[0]))) {
        case 'x':
            return Dll_Extract(Info(), c, pacer, report);
        case 'e':
            JoinArchiveWords(c);
            return ExtractArchive(Info(), c, false, pacer, report);
        case 't':
            return Dll_Test(Info(), c, report);
        case 'l':
            return List(c, report);
        case 'a':
            if (Unsupported(c, &method)) return kErrNotSupported;
            return Dll_Create(Info(), c, HasSwitch(c, "-r"), true, WriterFor(c, method), pacer,
                              report);
        case 'u':
            if (Unsupported(c, &method) || HasSwitch(c, "-sfx")) return kErrNotSupported;
            return Update(c, method, pacer, report);
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(SevenZip, Info, Run)
