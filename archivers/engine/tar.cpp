// The TAR family: ustar and GNU tar, plain or compressed with gzip, bzip2, compress (.Z,
// .taz), xz, lzma, zstd or lzip, a lone compressed file, and the files of a Debian package (.deb).
// Written through libarchive as GNU tar, plain, gzip or bzip2; a lone gzip member through zlib,
// which keeps the file's name and time in its header.
#include <zlib.h>

#include <cstring>

#include "ar_reader.h"
#include "archive_writer.h"
#include "formats.h"
#include "util.h"
#include "stream_decoder.h"

namespace arc {

namespace {

// A stream that libarchive's filters decode: gzip, bzip2, compress, xz, lzma, zstd, lzip.
std::string Compression(const SharedBytes& b) {
    return Stream_Compression(b.data(), b.size());
}

bool IsDeb(const SharedBytes& b) {
    return Ar_IsArchive(b.data(), b.size());
}

uint64_t Octal(const uint8_t* p, size_t n) {
    if (p[0] & 0x80) {  // GNU base-256 for large values
        uint64_t v = p[0] & 0x7F;
        for (size_t i = 1; i < n; ++i) v = (v << 8) | p[i];
        return v;
    }
    uint64_t v = 0;
    size_t i = 0;
    while (i < n && (p[i] == ' ' || p[i] == 0)) ++i;
    for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i) v = v * 8 + (p[i] - '0');
    return v;
}

bool ChecksumOk(const uint8_t* h) {
    unsigned sum = 0;
    for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? ' ' : h[i];
    return Octal(h + 148, 8) == sum;
}

bool IsTar(const uint8_t* b, size_t n) {
    return n >= 512 && ChecksumOk(b);
}

std::string Field(const uint8_t* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len]) ++len;
    return std::string(reinterpret_cast<const char*>(p), len);
}

// The name of a lone compressed file: the archive's name without its extension.
std::string NameWithoutExtension(const std::string& archive_path) {
    std::string base = LastComponent(ToSlash(archive_path));
    size_t dot = base.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? base + ".out" : base.substr(0, dot);
}

// The name stored in a gzip header, or the archive's name without its extension.
std::string GzipMemberName(const SharedBytes& b, const std::string& archive_path) {
    unsigned flags = b[3];
    size_t p = 10;
    if ((flags & 4) && p + 2 <= b.size()) p += 2 + Get16(&b[p]);
    if ((flags & 8) && p < b.size()) {
        std::string name;
        while (p < b.size() && b[p]) name += char(b[p++]);
        if (!name.empty()) return LastComponent(ToSlash(name));
    }
    return NameWithoutExtension(archive_path);
}

// bzip2 and compress store no time: their tools give a decoded file the compressed file's.
uint32_t FileTime(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return UnixFromFileTime(data.ftLastWriteTime);
}

// The tar stream of a Debian package: its data.tar member, decoded by its suffix.
int DebData(const SharedBytes& deb, Bytes& plain) {
    std::vector<ArMember> members;
    ArMember data;
    int r = Ar_Read(deb.data(), deb.size(), &members);
    if (r == kOk) r = Deb_DataMember(members, deb.data(), &data);
    if (r != kOk) return r;
    const uint8_t* p = deb.data() + data.offset;
    const std::string suffix = data.name.substr(8);
    if (suffix.empty()) {
        plain.assign(p, p + data.size);
        return kOk;
    }
    if (Stream_Compression(p, data.size).empty()) return kErrNotSupported;  // lz4 and the like
    return Stream_Decode(p, data.size, &plain);
}

void ParsePax(const uint8_t* p, size_t n, std::string& path) {
    size_t i = 0;
    while (i < n) {
        size_t sp = i;
        while (sp < n && p[sp] != ' ') ++sp;
        size_t len = size_t(std::strtoul(std::string(p + i, p + sp).c_str(), nullptr, 10));
        if (len == 0 || len > n - i || sp + 1 >= i + len) return;
        std::string rec(p + sp + 1, p + i + len - 1);
        if (rec.compare(0, 5, "path=") == 0) path = rec.substr(5);
        i += len;
    }
}

int ParseTar(Archive& a) {
    const auto& b = a.bytes;
    size_t pos = 0;
    std::string long_name, pax_path;
    while (pos + 512 <= b.size()) {
        const uint8_t* h = &b[pos];
        bool zero = true;
        for (int i = 0; i < 512 && zero; ++i) zero = h[i] == 0;
        if (zero) break;
        if (!ChecksumOk(h)) return a.entries.empty() ? kErrNotArchive : kErrHeaderCrc;
        uint64_t size = Octal(h + 124, 12);
        char type = char(h[156]);
        size_t data = pos + 512;
        if (size > b.size() - data) return kErrBrokenData;
        pos = data + size_t((size + 511) / 512 * 512);
        if (type == 'L') {
            long_name = Field(&b[data], size_t(size));
            continue;
        }
        if (type == 'x') {
            ParsePax(&b[data], size_t(size), pax_path);
            continue;
        }
        if (type == 'g' || type == '1' || type == '2' || type == 'K') {
            long_name.clear();
            pax_path.clear();
            continue;
        }
        Entry e;
        std::string name = Field(h, 100);
        if (std::memcmp(h + 257, "ustar", 5) == 0 && h[345])
            name = Field(h + 345, 155) + "/" + name;
        // A pax path is UTF-8 by definition; other names are what the writer's system used.
        name = AnsiFromRawName(name);
        if (!pax_path.empty()) name = AnsiFromUtf8(pax_path);
        if (!long_name.empty()) name = AnsiFromRawName(long_name);
        long_name.clear();
        pax_path.clear();
        // tar itself reads "./usr/x" as "usr/x"; the entry "./" is the folder extracted into.
        while (name.compare(0, 2, "./") == 0) name.erase(0, 2);
        if (name.empty() || name == ".") continue;
        e.is_dir = type == '5' || (!name.empty() && name.back() == '/');
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        e.name = name;
        e.size = e.is_dir ? 0 : size;
        SetUnixTime(e, uint32_t(Octal(h + 136, 12)));
        uint64_t mode = Octal(h + 100, 8);
        e.attr = (e.is_dir ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE) |
                 ((mode & 0200) ? 0 : FILE_ATTRIBUTE_READONLY);
        e.os_type = 2;
        e.header_offset = pos;
        e.data_offset = data;
        e.data_end = data + size_t(e.size);
        e.crc = Crc32(&b[data], size_t(e.size));
        e.method = a.kind;
        e.packed = e.size;
        a.entries.push_back(e);
    }
    return kOk;
}

bool Sniff(const Archive& a) {
    const auto& b = a.bytes;
    return !Compression(b).empty() || IsDeb(b) || IsTar(b.data(), b.size());
}

// A compressed tar stream or lone file decoded into `plain`, with the method texts of its
// entries (for a tar inside, and for a lone file) and the lone file's name and time.
struct Unpacked {
    Bytes plain;
    std::string tar_method, lone_method, lone_name;
    uint32_t mtime = 0;
};

int Unpack(const Archive& a, Unpacked& u) {
    const auto& b = a.bytes;
    const std::string z = Compression(b);
    if (z.empty()) {
        u.tar_method = "deb";
        int r = DebData(b, u.plain);
        // A package's data is always a tar stream.
        return r == kOk && !IsTar(u.plain.data(), u.plain.size()) ? kErrBrokenData : r;
    }
    u.tar_method = "tar." + z;
    u.lone_method = z == "gz" ? "gzip" : z == "bz2" ? "bzip2" : z == "Z" ? "lzw" : z;
    if (z == "gz") {
        u.lone_name = GzipMemberName(b, a.path);
        u.mtime = Get32(&b[4]);
    } else {
        u.lone_name = NameWithoutExtension(a.path);
        u.mtime = FileTime(a.path);
    }
    return Stream_Decode(b.data(), b.size(), &u.plain);
}

int Parse(Archive& a) {
    const auto& b = a.bytes;
    if (Compression(b).empty() && !IsDeb(b)) {
        a.kind = "tar";
        return IsTar(b.data(), b.size()) ? ParseTar(a) : kErrNotArchive;
    }
    Unpacked u;
    int r = Unpack(a, u);
    if (r) return r;
    a.bytes = std::move(u.plain);
    uint64_t packed_total = a.file_size, plain_total = a.bytes.size();
    if (IsTar(a.bytes.data(), a.bytes.size())) {
        a.kind = u.tar_method;
        r = ParseTar(a);
        // Compressed sizes are not known per member; share the compressed size out.
        for (Entry& e : a.entries) e.packed = plain_total ? e.size * packed_total / plain_total : 0;
        return r;
    }
    a.kind = u.lone_method;
    Entry e;
    e.name = u.lone_name;
    e.size = a.bytes.size();
    e.packed = packed_total;
    SetUnixTime(e, u.mtime);
    e.attr = FILE_ATTRIBUTE_ARCHIVE;
    e.os_type = 0;
    e.method = u.lone_method;
    e.data_offset = 0;
    e.data_end = a.bytes.size();
    e.crc = Crc32(a.bytes.data(), a.bytes.size());
    a.entries.push_back(e);
    return kOk;
}

int Decode(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    out.assign(a.bytes.begin() + long(e.data_offset), a.bytes.begin() + long(e.data_end));
    return kOk;
}

// One gzip member with the file's name and time in its header, as gzip writes it.
bool GzipTo(const std::string& path, const std::vector<uint8_t>& data, const std::string& name,
            uint32_t mtime) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    gz_header header;
    std::memset(&header, 0, sizeof header);
    std::string stored = name;
    header.name = reinterpret_cast<Bytef*>(&stored[0]);
    header.time = mtime;
    header.os = 0;  // FAT file system
    deflateSetHeader(&z, &header);
    std::vector<uint8_t> out;
    return DeflateAll(z, data, name.size() + 64, out) &&
           WriteWholeFile(path, out.data(), out.size());
}

}  // namespace

const Format kTarFormat = {"tar", Sniff, Parse, Decode};

int Tar_Write(const std::string& path, const std::vector<Item>& sources, TarPacking packing) {
    ArchiveWriter writer(packing == TarPacking::Gzip    ? ArchiveWriter::Kind::TarGzip
                         : packing == TarPacking::Bzip2 ? ArchiveWriter::Kind::TarBzip2
                                                        : ArchiveWriter::Kind::Tar);
    for (const Item& item : sources) {
        const Entry& s = item.entry;
        Bytes data;
        if (!s.is_dir && !ReadWholeFile(item.disk_path, data)) return kErrCannotRead;
        int r = writer.Add(s, data);
        if (r != kOk) return r;
    }
    Bytes out;
    int r = writer.Finish(&out);
    if (r != kOk) return r;
    return WriteWholeFile(path, out.data(), out.size()) ? kOk : kErrCannotCreate;
}

int Gz_Write(const std::string& path, const Item& source) {
    std::vector<uint8_t> data;
    if (source.entry.is_dir || !ReadWholeFile(source.disk_path, data)) return kErrCannotRead;
    return GzipTo(path, data, LastComponent(source.entry.name), source.entry.mtime)
               ? kOk
               : kErrCannotCreate;
}

}  // namespace arc
