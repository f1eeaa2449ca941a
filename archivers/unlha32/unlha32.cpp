// UNLHA32.DLL stand-in: LHA archives through the shared engine.
#include <windows.h>

#include <algorithm>

#include "../engine/dll_commands.h"
#include "../engine/formats.h"
#include "../engine/util.h"

using namespace arc;

namespace {

const DllInfo& Info() {
    static const DllInfo info = {"UNLHA32.DLL", "Unlha", {&kLzhFormat}, true, 100};
    return info;
}

bool SameName(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

int MethodOf(const ParsedCommand& c) {
    std::string jm = SwitchValue(c, "-jm", "2");
    if (jm == "0" || jm == "1") return 0;
    return jm == "3" || jm == "4" ? 7 : 5;
}

std::vector<std::string> Patterns(const ParsedCommand& c) {
    return c.names.empty() ? std::vector<std::string>{"*"} : c.names;
}

int Extract(const ParsedCommand& c, EntryPacer& pacer, std::string& report) {
    bool keep_paths = SwitchValue(c, "-x", c.verb == "x" ? "1" : "0") != "0";
    return ExtractArchive(Info(), c, keep_paths, pacer, report);
}

// a (add or replace), u (add new and newer), f (replace newer only). With -jn, "a" adds only
// files the archive does not hold yet.
int Add(const ParsedCommand& c, char verb, EntryPacer& pacer, std::string& report) {
    Archive old;
    int r = LoadIfExists(Info(), c.archive, old);
    if (r) return r;
    std::vector<Item> sources;
    bool recursive = SwitchValue(c, "-r", "0") != "0";
    r = CollectNamed(c, recursive, HasSwitch(c, "-d") || HasSwitch(c, "-d1"), sources);
    if (r && verb != 'f') return r;
    bool only_new = HasSwitch(c, "-jn");
    std::vector<Item> items;
    std::vector<bool> used(sources.size(), false);
    for (const Entry& e : old.entries) {
        Item keep;
        keep.entry = e;
        keep.from = &old;
        for (size_t i = 0; i < sources.size(); ++i) {
            if (used[i] || !SameName(sources[i].entry.name, e.name)) continue;
            used[i] = true;
            bool newer = sources[i].entry.mtime > e.mtime;
            if (!only_new && (verb == 'a' || newer)) keep = sources[i];
        }
        items.push_back(keep);
    }
    if (verb != 'f')
        for (size_t i = 0; i < sources.size(); ++i)
            if (!used[i]) items.push_back(sources[i]);
    for (const Item& item : items)
        if (!item.from && (r = Pace(item.entry.name, pacer, report)) != 0) return r;
    return Lzh_Write(c.archive, items, MethodOf(c));
}

// d: removes the entries that match the names. With -jn only those whose file is gone from
// the disk, which is how an update drops what the user deleted.
int Delete(const ParsedCommand& c, std::string& report) {
    Archive old;
    int r = LoadArchive(Info(), c.archive, old, ArchiveUse::Rewrite);
    if (r) return r;
    bool only_missing = HasSwitch(c, "-jn");
    std::vector<Item> items;
    for (const Entry& e : old.entries) {
        bool match = false;
        for (const std::string& p : Patterns(c)) match = match || WildMatch(ToSlash(p), e.name);
        if (match && only_missing && FileExists(ToBackslash(e.name))) match = false;
        if (match) {
            report += e.name + "\r\n";
            continue;
        }
        Item keep;
        keep.entry = e;
        keep.from = &old;
        items.push_back(keep);
    }
    return Lzh_Write(c.archive, items, 5);
}

int Run(const std::vector<Word>& words, EntryPacer& pacer, std::string& report) {
    ParsedCommand c = ParseCommand(words, true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    if (c.bad_response) return kErrCannotRead;
    char verb = char(std::tolower(static_cast<unsigned char>(c.verb[0])));
    switch (verb) {
        case 'e':
        case 'x':
            return Extract(c, pacer, report);
        case 't':
            return TestArchive(Info(), c, report);
        case 'a':
        case 'u':
        case 'f':
            return Add(c, verb, pacer, report);
        case 'd':
            return Delete(c, report);
        case 's':
            return Dll_SelfExtractor(Info(), c);
        default:
            return kErrCommand;
    }
}

}  // namespace

ARCHIVER_COMMON_EXPORTS(Unlha, Info, Run)
