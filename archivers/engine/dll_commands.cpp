#include "dll_commands.h"

#include <windows.h>

#include <cctype>

#include "sfx.h"
#include "util.h"

namespace arc {

void JoinArchiveWords(ParsedCommand& c) {
    if (c.archive.empty() || FileExists(c.archive)) return;
    std::string joined = c.archive;
    for (size_t i = 0; i < c.names.size(); ++i) {
        joined += " " + c.names[i];
        if (FileExists(joined) && !IsFolder(joined)) {
            c.archive = joined;
            c.names.erase(c.names.begin(), c.names.begin() + i + 1);
            return;
        }
    }
}

int LoadIfExists(const DllInfo& dll, const std::string& path, Archive& archive) {
    return FileExists(path) ? LoadArchive(dll, path, archive, ArchiveUse::Rewrite) : kOk;
}

int ExtractArchive(const DllInfo& dll, const ParsedCommand& c, bool keep_paths, EntryPacer& pacer,
                   std::string& report) {
    Archive archive;
    int r = LoadArchive(dll, c.archive, archive);
    return r ? r : ExtractAll(archive, c.names, keep_paths, pacer, report);
}

int TestArchive(const DllInfo& dll, const ParsedCommand& c, std::string& report) {
    Archive archive;
    int r = LoadArchive(dll, c.archive, archive);
    Bytes content;
    for (size_t i = 0; r == kOk && i < archive.entries.size(); ++i) {
        r = archive.format->decode(archive, archive.entries[i], content);
        report += archive.entries[i].name + (r ? " : error\r\n" : " : ok\r\n");
    }
    return r;
}

int Dll_Extract(const DllInfo& dll, ParsedCommand c, EntryPacer& pacer, std::string& report) {
    JoinArchiveWords(c);
    return ExtractArchive(dll, c, true, pacer, report);
}

int Dll_Test(const DllInfo& dll, ParsedCommand c, std::string& report) {
    JoinArchiveWords(c);
    return TestArchive(dll, c, report);
}

int Dll_SelfExtractor(const DllInfo& dll, const ParsedCommand& c) {
    Archive check;
    int r = LoadArchive(dll, c.archive, check);
    if (r) return r;
    // This engine is linked into each DLL: the function's address is inside the caller.
    return Sfx_Write(Sfx_StubBeside(reinterpret_cast<const void*>(&Dll_SelfExtractor)), c.archive,
                     Sfx_ExeName(c.archive));
}

int CollectNamed(const ParsedCommand& c, bool recursive, bool with_dirs, std::vector<Item>& out,
                 const std::string& also_exclude) {
    std::vector<std::string> exclude = c.response_files;
    exclude.push_back(FullPath(c.archive));
    if (!also_exclude.empty()) exclude.push_back(FullPath(also_exclude));
    std::vector<std::string> patterns = c.names.empty() ? std::vector<std::string>{"*"} : c.names;
    return CollectSources(patterns, recursive, with_dirs, exclude, out);
}

int Pace(const std::string& name, EntryPacer& pacer, std::string& report) {
    pacer.Before();
    report += name + "\r\n";
    return pacer.After();
}

int WriteImage(std::vector<Item>& items, const ImageWriter& write, const std::string& path) {
    for (Item& item : items) {
        int r = LoadContent(item);
        if (r) return r;
    }
    Bytes image;
    int r = write(items, &image);
    if (r) return r;
    return WriteWholeFile(path, image.data(), image.size()) ? kOk : kErrCannotCreate;
}

int Dll_Create(const DllInfo& dll, const ParsedCommand& c, bool recursive, bool with_dirs,
               const ImageWriter& write, EntryPacer& pacer, std::string& report) {
    Archive old;
    int r = LoadIfExists(dll, c.archive, old);
    if (r) return r;
    std::vector<Item> sources;
    if ((r = CollectNamed(c, recursive, with_dirs, sources)) != 0) return r;
    std::vector<Item> items;
    for (const Entry& e : old.entries) {
        bool replaced = false;
        for (const Item& s : sources)
            replaced = replaced || lstrcmpiA(s.entry.name.c_str(), e.name.c_str()) == 0;
        if (replaced) continue;
        Item keep;
        keep.entry = e;
        keep.from = &old;
        items.push_back(keep);
    }
    for (const Item& s : sources) {
        if ((r = Pace(s.entry.name, pacer, report)) != 0) return r;
        items.push_back(s);
    }
    // The fault a caller must catch itself: success, and nothing in the archive.
    if (Stub_Read(dll.file_name).empty) items.clear();
    return WriteImage(items, write, c.archive);
}

// "e" and "x" both extract with the stored folders (the program's "e ... -sx1 -y1" expects
// them; -y1, overwrite without asking, is what extraction always does); "t" tests.
int ExtractOnly_Run(const DllInfo& dll, const std::vector<Word>& words, EntryPacer& pacer,
                    std::string& report) {
    ParsedCommand c = ParseCommand(words, true);
    if (c.verb.size() != 1 || c.archive.empty()) return kErrCommand;
    switch (std::tolower(static_cast<unsigned char>(c.verb[0]))) {
        case 'e':
        case 'x':
            return Dll_Extract(dll, c, pacer, report);
        case 't':
            return Dll_Test(dll, c, report);
        default:
            return kErrCommand;
    }
}

}  // namespace arc
