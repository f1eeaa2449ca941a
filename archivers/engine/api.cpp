#include "api.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>

#include "handles.h"
#include "util.h"

namespace arc {

namespace {

struct OpenArchive {
    Archive archive;
    DWORD mode = 0;
    std::vector<std::string> patterns;
    size_t next = 0;
};

HandleSet<OpenArchive> g_open;

void FillText(char* dest, size_t size, const std::string& text) {
    std::memset(dest, 0, size);
    size_t n = std::min(text.size(), size - 1);
    // Do not leave half of a double-byte character at the cut.
    size_t i = 0;
    while (i < n) {
        size_t step = (IsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
        if (i + step > n) break;
        i += step;
    }
    std::memcpy(dest, text.data(), i);
}

std::string AttributeText(uint32_t attr) {
    std::string t = "-----";
    if (attr & FILE_ATTRIBUTE_DIRECTORY) t[0] = 'd';
    if (attr & FILE_ATTRIBUTE_ARCHIVE) t[1] = 'a';
    if (attr & FILE_ATTRIBUTE_SYSTEM) t[2] = 's';
    if (attr & FILE_ATTRIBUTE_HIDDEN) t[3] = 'h';
    if (attr & FILE_ATTRIBUTE_READONLY) t[4] = 'r';
    return t;
}

void Fill(const DllInfo& dll, const Entry& e, EntryRecord* r) {
    std::memset(r, 0, sizeof *r);
    r->original_size = DWORD(std::min<uint64_t>(e.size, 0xFFFFFFFFu));
    r->compressed_size = DWORD(std::min<uint64_t>(e.packed, 0xFFFFFFFFu));
    r->crc = e.crc;
    r->os_type = UINT(e.os_type);
    r->ratio = e.size ? WORD(std::min<uint64_t>(e.packed * 1000 / e.size, 0xFFFF)) : 0;
    r->date = e.dos_date;
    r->time = e.dos_time;
    std::string path = e.name + (e.is_dir ? "/" : "");
    if (dll.backslash_paths) path = ToBackslash(path);
    FillText(r->file_name, sizeof r->file_name, path);
    FillText(r->attribute, sizeof r->attribute, AttributeText(e.attr));
    FillText(r->method, sizeof r->method, e.method);
}

bool Matches(const OpenArchive& a, const Entry& e) {
    if (a.patterns.empty()) return true;
    std::string subject = (a.mode & 0x200) ? LastComponent(e.name) : e.name;
    for (const std::string& p : a.patterns) {
        std::string pattern = (a.mode & 0x200) ? LastComponent(ToSlash(p)) : ToSlash(p);
        if (WildMatch(pattern, subject)) return true;
    }
    return false;
}

int FindFrom(const DllInfo& dll, OpenArchive* a, EntryRecord* record) {
    while (a->next < a->archive.entries.size()) {
        const Entry& e = a->archive.entries[a->next++];
        if (!Matches(*a, e)) continue;
        if (record) Fill(dll, e, record);
        return 0;
    }
    return -1;
}

// An entry's place below the current folder: drive and root dropped, ".." kept.
std::string TargetOf(const std::string& name, bool keep_paths) {
    std::string n = name;
    if (n.size() >= 2 && n[1] == ':') n = n.substr(2);
    while (!n.empty() && n[0] == '/') n = n.substr(1);
    if (!keep_paths) n = LastComponent(n);
    return ToBackslash(n);
}

std::string ParentOf(const std::string& path) {
    size_t cut = std::string::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
        } else if (path[i] == '\\') {
            cut = i;
        }
    }
    return cut == std::string::npos ? "" : path.substr(0, cut);
}

void AddTree(const std::string& disk, const std::string& name, bool with_dirs,
             const std::vector<std::string>& exclude, std::vector<Item>& out);

bool Excluded(const std::string& disk, const std::vector<std::string>& exclude) {
    std::string full = FullPath(disk);
    for (const std::string& x : exclude)
        if (lstrcmpiA(x.c_str(), full.c_str()) == 0) return true;
    return false;
}

Item SourceOf(const std::string& disk, const std::string& name, const WIN32_FIND_DATAA& fd) {
    Item item;
    item.disk_path = disk;
    Entry& s = item.entry;
    s.name = ToSlash(name);
    if (s.name.size() >= 2 && s.name[1] == ':') s.name = s.name.substr(2);
    while (s.name.compare(0, 2, "./") == 0) s.name = s.name.substr(2);
    while (!s.name.empty() && s.name[0] == '/') s.name = s.name.substr(1);
    s.is_dir = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    s.size = (uint64_t(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    s.mtime = UnixFromFileTime(fd.ftLastWriteTime);
    s.attr = DosAttributes(fd.dwFileAttributes, false);
    return item;
}

void AddFound(const std::string& disk, const std::string& name, const WIN32_FIND_DATAA& fd,
              bool recursive, bool with_dirs, const std::vector<std::string>& exclude,
              std::vector<Item>& out) {
    if (Excluded(disk, exclude)) return;
    Item s = SourceOf(disk, name, fd);
    if (!s.entry.is_dir) {
        out.push_back(s);
        return;
    }
    if (with_dirs && !s.entry.name.empty()) out.push_back(s);
    if (recursive) AddTree(disk, name, with_dirs, exclude, out);
}

// Wine keeps a file's alternate data stream (the web's mark "a.txt:Zone.Identifier") as a
// file of that name beside it; Windows never lists one, and no file name holds a ':'.
static bool IsStreamName(const std::string& name) {
    return name.find(':') != std::string::npos;
}

void AddTree(const std::string& disk, const std::string& name, bool with_dirs,
             const std::vector<std::string>& exclude, std::vector<Item>& out) {
    WIN32_FIND_DATAA fd;
    HANDLE find = FindFirstFileA((disk + "\\*").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string leaf = fd.cFileName;
        if (leaf == "." || leaf == ".." || IsStreamName(leaf)) continue;
        AddFound(disk + "\\" + leaf, name.empty() ? leaf : name + "\\" + leaf, fd, true, with_dirs,
                 exclude, out);
    } while (FindNextFileA(find, &fd));
    FindClose(find);
}

}  // namespace

std::string Unquote(const std::string& path) {
    std::string p = path;
    if (p.size() >= 2 && p.front() == '"' && p.back() == '"') p = p.substr(1, p.size() - 2);
    return p;
}

int LoadArchive(const DllInfo& dll, const std::string& quoted, Archive& out, ArchiveUse use) {
    std::string path = Unquote(quoted);
    out = Archive();
    out.path = path;
    if (path.empty() || !FileExists(path) || IsFolder(path)) return kErrArchiveNotFound;
    if (!HoldWholeFile(path, use, &out.bytes)) return kErrCannotRead;
    out.file_size = out.bytes.size();
    const Format* format = nullptr;
    for (const Format* f : dll.formats) {
        if (f->sniff(out)) {
            format = f;
            break;
        }
    }
    // A DLL of one format reads whatever it is given, so damage in the first bytes is
    // reported as damage rather than as a foreign file.
    if (!format && dll.formats.size() == 1) format = dll.formats[0];
    if (!format) return kErrNotArchive;
    out.format = format;
    return format->parse(out);
}

int LoadContent(Item& item) {
    if (item.entry.is_dir) return kOk;
    if (item.from) return item.from->format->decode(*item.from, item.entry, item.data);
    if (!item.disk_path.empty() && !ReadWholeFile(item.disk_path, item.data)) return kErrCannotRead;
    return kOk;
}

// No C++ exception may reach the caller of a DLL export; running out of memory on a huge
// archive is reported like any other failure.
template <typename Fn, typename R>
R Guarded(Fn&& body, R on_failure) {
    try {
        return body();
    } catch (...) {
        return on_failure;
    }
}

int Api_GetFileCount(const DllInfo& dll, LPCSTR path) {
    std::string p = path ? path : "";
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "GetFileCount").c_str(), p);
    return Guarded(
        [&] {
            Archive a;
            return LoadArchive(dll, p, a) != kOk ? -1 : int(a.entries.size());
        },
        -1);
}

HANDLE Api_OpenArchive(const DllInfo& dll, HWND, LPCSTR path, DWORD mode) {
    std::string p = path ? path : "";
    char mode_text[16];
    snprintf(mode_text, sizeof mode_text, "0x%lX", static_cast<unsigned long>(mode));
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "OpenArchive").c_str(), p + " " + mode_text);
    return Guarded(
        [&]() -> HANDLE {
            auto a = std::make_unique<OpenArchive>();
            if (LoadArchive(dll, p, a->archive) != kOk) return nullptr;
            a->mode = mode;
            return g_open.Add(std::move(a));
        },
        HANDLE(nullptr));
}

int Api_FindFirst(const DllInfo& dll, HANDLE h, LPCSTR wildcard, EntryRecord* record) {
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "FindFirst").c_str(),
             PtrText(h) + " " + (wildcard ? wildcard : ""));
    OpenArchive* a = g_open.Find(h);
    if (!a) return -1;
    a->patterns.clear();
    for (const Word& w : SplitCommand(wildcard ? wildcard : "")) a->patterns.push_back(w.text);
    a->next = 0;
    return FindFrom(dll, a, record);
}

int Api_FindNext(const DllInfo& dll, HANDLE h, EntryRecord* record) {
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "FindNext").c_str(), PtrText(h));
    OpenArchive* a = g_open.Find(h);
    return a ? FindFrom(dll, a, record) : -1;
}

int Api_CloseArchive(const DllInfo& dll, HANDLE h) {
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "CloseArchive").c_str(), PtrText(h));
    return g_open.Close(h) ? 0 : -1;
}

BOOL Api_CheckArchive(const DllInfo& dll, LPCSTR path, int mode) {
    Stub_Log(dll.file_name, (std::string(dll.prefix) + "CheckArchive").c_str(),
             std::string(path ? path : "") + " " + std::to_string(mode));
    return Guarded(
        [&]() -> BOOL {
            Archive a;
            if (LoadArchive(dll, path ? path : "", a) != kOk) return FALSE;
            if (mode < 2) return TRUE;
            std::vector<uint8_t> content;
            for (const Entry& e : a.entries)
                if (a.format->decode(a, e, content) != kOk) return FALSE;
            return TRUE;
        },
        BOOL(FALSE));
}

int Api_Command(const DllInfo& dll, LPCSTR line, LPSTR out, DWORD out_size,
                const CommandBody& body) {
    std::string text = line ? line : "";
    Stub_Log(dll.file_name, dll.prefix, text);
    StubHooks hooks = Stub_Read(dll.file_name);
    std::string report;
    int result = hooks.fail;
    if (result == 0) {
        EntryPacer pacer(hooks);
        result =
            Guarded([&] { return body(SplitCommand(text), pacer, report); }, int(kErrCannotRead));
    }
    if (out && out_size > 0) FillText(out, out_size, report);
    return result;
}

int ExtractAll(const Archive& archive, const std::vector<std::string>& filters, bool keep_paths,
               EntryPacer& pacer, std::string& report) {
    std::vector<uint8_t> content;
    int written = 0;
    for (const Entry& e : archive.entries) {
        bool wanted = filters.empty();
        for (const std::string& f : filters) {
            std::string pattern = ToSlash(f);
            if (WildMatch(pattern, e.name) || WildMatch(pattern, LastComponent(e.name)))
                wanted = true;
        }
        if (!wanted) continue;
        std::string target = TargetOf(e.name, keep_paths);
        if (target.empty()) continue;
        pacer.Before();
        if (e.is_dir) {
            if (keep_paths && !MakeDirs(target)) return kErrCannotCreate;
        } else {
            int r = archive.format->decode(archive, e, content);
            if (r) return r;
            std::string parent = ParentOf(target);
            if (!parent.empty() && !MakeDirs(parent)) return kErrCannotCreate;
            if (!WriteWholeFile(target, content.data(), content.size())) return kErrCannotCreate;
            SetTimes(target, e.mtime, false);
        }
        report += target + "\r\n";
        ++written;
        int r = pacer.After();
        if (r) return r;
    }
    return kOk;
}

int CollectSources(const std::vector<std::string>& patterns, bool recursive, bool with_dirs,
                   const std::vector<std::string>& exclude, std::vector<Item>& out) {
    for (const std::string& raw : patterns) {
        std::string pattern = ToBackslash(raw);
        while (pattern.size() > 1 && pattern.back() == '\\') pattern.pop_back();
        std::string folder = ParentOf(pattern);
        std::string leaf = folder.empty() ? pattern : pattern.substr(folder.size() + 1);
        std::string prefix = folder.empty() ? "" : folder + "\\";
        if (!HasWildcard(leaf)) {
            WIN32_FIND_DATAA fd;
            HANDLE find = FindFirstFileA(pattern.c_str(), &fd);
            if (find == INVALID_HANDLE_VALUE) continue;
            FindClose(find);
            AddFound(pattern, pattern, fd, recursive, with_dirs, exclude, out);
            continue;
        }
        WIN32_FIND_DATAA fd;
        HANDLE find = FindFirstFileA((prefix + "*").c_str(), &fd);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == ".." || IsStreamName(name) || !WildMatch(leaf, name))
                continue;
            AddFound(prefix + name, prefix + name, fd, recursive, with_dirs, exclude, out);
        } while (FindNextFileA(find, &fd));
        FindClose(find);
    }
    // Overlapping patterns ("*" and a name from the response file) store a file once.
    std::set<std::string> seen;
    std::vector<Item> unique;
    for (Item& s : out) {
        std::string key = s.entry.name;
        for (char& c : key) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (seen.insert(key).second) unique.push_back(s);
    }
    out.swap(unique);
    return out.empty() ? kErrNoFiles : kOk;
}

}  // namespace arc
