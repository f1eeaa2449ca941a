// LHA archives: headers of levels 0 to 3 read here (names as stored, CRC-16, OS, attributes
// and times for the entry records); the content of -lh0-, -lh5-, -lh6- and -lh7- entries
// decoded through libarchive. Folder entries are -lhd-. New entries get level-2 headers,
// packed by our own encoder.
#include <algorithm>
#include <cstring>
#include <memory>

#include "../formats/archive_cursor.h"
#include "formats.h"
#include "lzh_codec.h"
#include "util.h"

namespace arc {

namespace {

int OsType(uint8_t id) {
    switch (id) {
        case 'M':
            return 0;
        case 'U':
            return 2;
        case 'm':
            return 4;
        case '2':
            return 5;
        case '9':
            return 11;
        case 'K':
            return 12;
        case '3':
            return 13;
        case 'H':
            return 14;
        case 'C':
            return 15;
        case 'F':
            return 16;
        case 'R':
            return 17;
        case 'W':
            return 18;
        case 'w':
            return 19;
        default:
            return 10;
    }
}

// Level 0 and 1 names use '\' (or 0xFF) between folders; we keep '/' internally.
std::string NameFromStored(const uint8_t* p, size_t n) {
    std::string s(reinterpret_cast<const char*>(p), n);
    for (char& c : s)
        if (static_cast<unsigned char>(c) == 0xFF) c = '/';
    return ToSlash(s);
}

// What a header says besides the entry's fields: the Unix mode of LHA for Unix, whose links
// are folder entries named "link|target".
struct Extras {
    std::string dir, file;
    unsigned unix_mode = 0;
    bool IsLink() const { return (unix_mode & 0xF000) == 0xA000; }
};

void ApplyExtension(Entry& e, Extras& x, const uint8_t* p, size_t n, uint8_t type) {
    std::string& dir = x.dir;
    std::string& file = x.file;
    switch (type) {
        case 0x01:
            file = NameFromStored(p, n);
            break;
        case 0x02:
            dir = NameFromStored(p, n);
            break;
        case 0x40:
            if (n >= 2) e.attr = Get16(p);
            break;
        case 0x41:
            if (n >= 16) {
                FILETIME ft;
                ft.dwLowDateTime = Get32(p + 8);
                ft.dwHighDateTime = Get32(p + 12);
                e.mtime = UnixFromFileTime(ft);
            }
            break;
        case 0x50:
            if (n >= 2) x.unix_mode = Get16(p);
            break;
        case 0x54:
            if (n >= 4) e.mtime = Get32(p);
            break;
        default:
            break;
    }
}

void FinishName(Entry& e, const std::string& dir, const std::string& file) {
    std::string name = dir;
    if (!name.empty() && name.back() != '/' && !file.empty()) name += '/';
    name += file;
    while (name.size() > 1 && name.back() == '/') name.pop_back();
    e.name = name;
}

// Walks the extension headers that start at `p` with the size `next`, each ending with the
// size of the next one in `width` bytes (4 in level-3 headers, else 2); returns the total
// size, or -1 when they run past `end`.
long WalkExtensions(const SharedBytes& b, size_t p, size_t end, size_t next, int width, Entry& e,
                    Extras& x, size_t* crc_at) {
    long total = 0;
    while (next != 0) {
        if (next < size_t(1 + width) || next > end || p > end - next) return -1;
        uint8_t type = b[p];
        if (type == 0x00 && crc_at) *crc_at = p + 1;
        ApplyExtension(e, x, &b[p + 1], next - 1 - size_t(width), type);
        total += long(next);
        const uint8_t* after = &b[p + next - size_t(width)];
        size_t following = width == 4 ? Get32(after) : Get16(after);
        p += next;
        next = following;
    }
    return total;
}

int ParseHeader(const SharedBytes& b, size_t pos, Entry& e, Extras& x, size_t* next_pos) {
    size_t size = b.size();
    if (pos + 22 > size) return kErrBrokenData;
    const uint8_t* h = &b[pos];
    e = Entry();
    e.header_offset = pos;
    e.method.assign(reinterpret_cast<const char*>(h + 2), 5);
    uint32_t packed = Get32(h + 7);
    e.size = Get32(h + 11);
    int level = h[20];
    x = Extras();
    std::string& dir = x.dir;
    std::string& file = x.file;
    size_t data;
    if (level == 0 || level == 1) {
        size_t hsize = h[0];
        if (pos + 2 + hsize > size || hsize < 22) return kErrBrokenData;
        unsigned sum = 0;
        for (size_t i = 2; i < 2 + hsize; ++i) sum += h[i];
        if ((sum & 0xFF) != h[1]) return kErrHeaderCrc;
        e.dos_time = Get16(h + 15);
        e.dos_date = Get16(h + 17);
        e.mtime = UnixFromDos(e.dos_date, e.dos_time);
        e.attr = h[19];
        size_t name_len = h[21];
        if (22 + name_len > 2 + hsize) return kErrBrokenData;
        file = NameFromStored(h + 22, name_len);
        size_t after = 22 + name_len;
        if (after + 2 <= 2 + hsize) e.crc = Get16(h + after);
        if (after + 3 <= 2 + hsize) e.os_type = OsType(h[after + 2]);
        // LHA for Unix ends a level-0 header with 'U', a version, the time, the mode...
        if (level == 0 && hsize == after + 12 && h[after + 2] == 'U')
            x.unix_mode = Get16(h + after + 8);
        data = pos + 2 + hsize;
        if (level == 1) {
            e.attr = 0x20;
            unsigned next = Get16(h + hsize);
            long ext = WalkExtensions(b, data, size, next, 2, e, x, nullptr);
            if (ext < 0 || uint32_t(ext) > packed) return kErrBrokenData;
            data += size_t(ext);
            packed -= uint32_t(ext);
        }
    } else if (level == 2 || level == 3) {
        // Level 3 differs in the width of its sizes: the header's own at 24, the extensions'.
        const int width = level == 3 ? 4 : 2;
        const size_t fixed = level == 3 ? 28 : 24;
        if (pos + fixed + size_t(width) > size) return kErrBrokenData;
        size_t hsize = level == 3 ? Get32(h + 24) : Get16(h);
        if (level == 3 && Get16(h) != 4) return kErrBrokenData;
        if (hsize > size - pos || hsize < fixed + size_t(width)) return kErrBrokenData;
        e.mtime = Get32(h + 15);
        e.crc = Get16(h + 21);
        e.os_type = OsType(h[23]);
        size_t crc_at = 0;
        size_t first = level == 3 ? Get32(h + 28) : Get16(h + 24);
        if (WalkExtensions(b, pos + fixed + size_t(width), pos + hsize, first, width, e, x,
                           &crc_at) < 0)
            return kErrBrokenData;
        if (crc_at) {
            std::vector<uint8_t> copy(b.begin() + long(pos), b.begin() + long(pos + hsize));
            uint16_t stored = Get16(&copy[crc_at - pos]);
            copy[crc_at - pos] = copy[crc_at - pos + 1] = 0;
            if (Crc16(copy.data(), copy.size()) != stored) return kErrHeaderCrc;
        }
        data = pos + hsize;
    } else {
        return kErrNotSupported;
    }
    if (e.dos_date == 0) DosFromUnix(e.mtime, &e.dos_date, &e.dos_time);
    e.is_dir = e.method == "-lhd-";
    if (e.is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
    FinishName(e, dir, file);
    e.packed = packed;
    e.data_offset = data;
    if (data > size || packed > size - data) return kErrBrokenData;
    e.data_end = data + packed;
    *next_pos = e.data_end;
    return kOk;
}

bool Sniff(const Archive& a) {
    const auto& b = a.bytes;
    return b.size() >= 21 && b[2] == '-' && b[3] == 'l' && b[6] == '-';
}

// What a parsed archive keeps: the cursor that decodes it, and where its Unix links lie.
struct LzhKept {
    LzhKept(const SharedBytes* bytes, std::vector<size_t> starts)
        : cursor(bytes, ArchiveCursor::Kind::Lha, std::move(starts)) {}
    KeptCursor cursor;
    std::vector<std::pair<size_t, size_t>> links;  // start and end of each, raw
};

// Unix links are passed over, as TAR32 passes over tar's (libarchive still counts them); a
// rewrite keeps them as they were.
int Parse(Archive& a) {
    size_t pos = 0;
    std::vector<size_t> starts;
    std::vector<std::pair<size_t, size_t>> links;
    while (pos < a.bytes.size() && a.bytes[pos] != 0) {
        Entry e;
        Extras x;
        size_t next = 0;
        int r = ParseHeader(a.bytes, pos, e, x, &next);
        if (r) return r;
        starts.push_back(pos);
        if (x.IsLink())
            links.push_back({pos, next});
        else
            a.entries.push_back(e);
        pos = next;
    }
    if (starts.empty() && a.bytes.size() > 1) return kErrNotArchive;
    auto kept = std::make_shared<LzhKept>(&a.bytes, std::move(starts));
    kept->links = std::move(links);
    a.reader = kept;
    return kOk;
}

int Decode(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    out.clear();
    if (e.is_dir) return kOk;
    if (e.method != "-lh0-" && e.method != "-lh5-" && e.method != "-lh6-" && e.method != "-lh7-")
        return kErrNotSupported;
    auto* kept = static_cast<LzhKept*>(a.reader.get());
    if (!kept) return kErrBrokenData;
    int r = KeptCursor::Read(&kept->cursor, a.bytes, e.header_offset, &out);
    if (r) return r;
    if (out.size() != e.size) return kErrBrokenData;
    return Crc16(out.data(), out.size()) == e.crc ? kOk : kErrFileCrc;
}

void PutExtension(std::vector<uint8_t>& h, uint8_t type, const std::string& data) {
    Put16(h, unsigned(data.size() + 3));
    h.push_back(type);
    h.insert(h.end(), data.begin(), data.end());
}

std::vector<uint8_t> Level2Header(const Entry& s, const char* method, uint32_t packed,
                                  uint16_t crc) {
    std::vector<uint8_t> h;
    Put16(h, 0);
    h.insert(h.end(), method, method + 5);
    Put32(h, packed);
    Put32(h, uint32_t(s.size));
    Put32(h, s.mtime);
    h.push_back(0x20);
    h.push_back(2);
    Put16(h, crc);
    h.push_back('M');
    std::vector<std::string> parts = SplitPath(s.name);
    std::string file = s.is_dir || parts.empty() ? "" : parts.back();
    std::string dir;
    for (size_t i = 0; i + (s.is_dir ? 0 : 1) < parts.size(); ++i) dir += parts[i] + '\xFF';
    size_t crc_at = h.size() + 3;
    PutExtension(h, 0x00, std::string(2, '\0'));
    PutExtension(h, 0x01, file);
    if (!dir.empty()) PutExtension(h, 0x02, dir);
    std::string attr(2, '\0');
    attr[0] = char(s.attr & 0xFF);
    attr[1] = char((s.attr >> 8) & 0xFF);
    PutExtension(h, 0x40, attr);
    Put16(h, 0);
    // A size whose low byte is zero would read as the end-of-archive mark.
    if ((h.size() & 0xFF) == 0) h.push_back(0);
    h[0] = uint8_t(h.size());
    h[1] = uint8_t(h.size() >> 8);
    uint16_t hcrc = Crc16(h.data(), h.size());
    h[crc_at] = uint8_t(hcrc);
    h[crc_at + 1] = uint8_t(hcrc >> 8);
    return h;
}

int AppendSource(std::vector<uint8_t>& out, const Item& item, int method) {
    const Entry& s = item.entry;
    if (s.is_dir) {
        std::vector<uint8_t> h = Level2Header(s, "-lhd-", 0, 0);
        out.insert(out.end(), h.begin(), h.end());
        return kOk;
    }
    std::vector<uint8_t> data;
    if (!ReadWholeFile(item.disk_path, data)) return kErrCannotRead;
    Entry sized = s;
    sized.size = data.size();
    uint16_t crc = Crc16(data.data(), data.size());
    std::vector<uint8_t> packed;
    const char* name = "-lh0-";
    if (method != 0 && !data.empty()) {
        packed = Lzh_Encode(data.data(), data.size(), method == 7 ? 16 : 13);
        name = method == 7 ? "-lh7-" : "-lh5-";
    }
    if (method == 0 || data.empty() || packed.size() >= data.size()) {
        packed = data;
        name = "-lh0-";
    }
    std::vector<uint8_t> h = Level2Header(sized, name, uint32_t(packed.size()), crc);
    out.insert(out.end(), h.begin(), h.end());
    out.insert(out.end(), packed.begin(), packed.end());
    return kOk;
}

}  // namespace

const Format kLzhFormat = {"lzh", Sniff, Parse, Decode};

int Lzh_Write(const std::string& path, const std::vector<Item>& items, int method) {
    std::vector<uint8_t> out;
    std::vector<const Archive*> links_copied;
    for (const Item& item : items) {
        if (item.from) {
            const auto& b = item.from->bytes;
            out.insert(out.end(), b.begin() + long(item.entry.header_offset),
                       b.begin() + long(item.entry.data_end));
            auto* kept = static_cast<const LzhKept*>(item.from->reader.get());
            if (!kept || std::find(links_copied.begin(), links_copied.end(), item.from) !=
                             links_copied.end())
                continue;
            links_copied.push_back(item.from);
            for (const auto& link : kept->links)
                out.insert(out.end(), b.begin() + long(link.first), b.begin() + long(link.second));
            continue;
        }
        int r = AppendSource(out, item, method);
        if (r) return r;
    }
    out.push_back(0);
    return WriteWholeFile(path, out.data(), out.size()) ? kOk : kErrCannotCreate;
}

}  // namespace arc
