// ZIP archives read through the central directory: stored and deflated entries decoded
// here, bzip2, LZMA, xz and zstd through libarchive (it has no Deflate64); new archives are
// written through libarchive, deflated, with MS-DOS times and attributes. Names are CP932 bytes as
// stored; names flagged as UTF-8 and Info-ZIP Unicode path fields are turned into the ANSI code
// page.
#include <zlib.h>

#include <cstring>

#include <algorithm>
#include <memory>

#include "../formats/archive_cursor.h"
#include "../formats/archive_writer.h"
#include "formats.h"
#include "util.h"

namespace arc {

namespace {

// The Info-ZIP Unicode path field (0x7075): the UTF-8 name, valid while the CRC-32 of the
// name in the header that it stands beside matches.
bool UnicodePath(const uint8_t* extra, size_t n, const std::string& header_name,
                 std::string* utf8) {
    for (size_t i = 0; i + 4 <= n;) {
        unsigned tag = Get16(extra + i), len = Get16(extra + i + 2);
        if (i + 4 + len > n) return false;
        if (tag == 0x7075 && len >= 5 && extra[i + 4] == 1 &&
            Get32(extra + i + 5) ==
                Crc32(reinterpret_cast<const uint8_t*>(header_name.data()), header_name.size())) {
            utf8->assign(reinterpret_cast<const char*>(extra + i + 9), len - 5);
            return true;
        }
        i += 4 + len;
    }
    return false;
}

bool Sniff(const Archive& a) {
    return a.bytes.size() >= 4 && a.bytes[0] == 'P' && a.bytes[1] == 'K' &&
           (a.bytes[2] == 3 || a.bytes[2] == 5);
}

// Seven characters at most: the entry record's method field.
std::string MethodName(unsigned method) {
    switch (method) {
        case 0:
            return "stored";
        case 8:
            return "deflate";
        case 9:
            return "deflt64";
        case 12:
            return "bzip2";
        case 14:
            return "lzma";
        case 93:
            return "zstd";
        case 95:
            return "xz";
        default:
            return "unknown";
    }
}

// libarchive gives the entries of the central directory in the order of their local headers.
int DecodeThroughLibrary(const Archive& a, const Entry& e, Bytes& out) {
    return KeptCursor::Read(a.reader.get(), a.bytes, e.header_offset, &out);
}

int Parse(Archive& a) {
    const auto& b = a.bytes;
    if (b.size() < 22) return kErrNotArchive;
    size_t eocd = std::string::npos;
    size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    for (size_t p = b.size() - 22 + 1; p-- > lowest;) {
        if (Get32(&b[p]) == 0x06054b50) {
            eocd = p;
            break;
        }
    }
    if (eocd == std::string::npos) return kErrBrokenData;
    unsigned count = Get16(&b[eocd + 10]);
    size_t cd = Get32(&b[eocd + 16]);
    size_t p = cd;
    for (unsigned i = 0; i < count; ++i) {
        if (p + 46 > b.size() || Get32(&b[p]) != 0x02014b50) return kErrBrokenData;
        Entry e;
        unsigned flags = Get16(&b[p + 8]), method = Get16(&b[p + 10]);
        e.dos_time = Get16(&b[p + 12]);
        e.dos_date = Get16(&b[p + 14]);
        e.mtime = UnixFromDos(e.dos_date, e.dos_time);
        e.crc = Get32(&b[p + 16]);
        e.packed = Get32(&b[p + 20]);
        e.size = Get32(&b[p + 24]);
        size_t name_len = Get16(&b[p + 28]), extra = Get16(&b[p + 30]), comment = Get16(&b[p + 32]);
        unsigned made_by_os = b[p + 5];
        e.attr = Get32(&b[p + 38]) & 0xFF;
        size_t local = Get32(&b[p + 42]);
        if (p + 46 + name_len + extra + comment > b.size()) return kErrBrokenData;
        std::string name(reinterpret_cast<const char*>(&b[p + 46]), name_len);
        std::string utf8;
        if (flags & 0x800)
            name = AnsiFromUtf8(name);
        else if (UnicodePath(&b[p + 46 + name_len], extra, name, &utf8))
            name = AnsiFromUtf8(utf8);
        e.is_dir = !name.empty() && (name.back() == '/' || name.back() == '\\');
        name = ToSlash(name);
        while (name.size() > 1 && name.back() == '/') name.pop_back();
        e.name = name;
        if (e.is_dir) e.attr |= FILE_ATTRIBUTE_DIRECTORY;
        e.os_type = made_by_os == 3 ? 2 : made_by_os == 11 ? 18 : 0;
        e.method = MethodName(method);
        if (flags & 1) e.method = "crypt";
        if (local + 30 > b.size() || Get32(&b[local]) != 0x04034b50) return kErrBrokenData;
        e.header_offset = local;
        e.data_offset = local + 30 + Get16(&b[local + 26]) + Get16(&b[local + 28]);
        if (e.data_offset > b.size() || e.packed > b.size() - e.data_offset) return kErrBrokenData;
        e.data_end = e.data_offset + size_t(e.packed);
        a.entries.push_back(e);
        p += 46 + name_len + extra + comment;
    }
    std::vector<size_t> starts;
    for (const Entry& e : a.entries) starts.push_back(e.header_offset);
    a.reader = std::make_shared<KeptCursor>(&a.bytes, ArchiveCursor::Kind::Zip, std::move(starts));
    return kOk;
}

int Decode(const Archive& a, const Entry& e, std::vector<uint8_t>& out) {
    out.clear();
    if (e.is_dir) return kOk;
    const uint8_t* src = a.bytes.data() + e.data_offset;
    if (e.method == "stored") {
        out.assign(src, src + e.packed);
    } else if (e.method == "deflate") {
        // Deflate cannot expand more than about 1032 to 1; more is a damaged header.
        if (e.size > e.packed * 1100 + 1024) return kErrBrokenData;
        out.resize(size_t(e.size));
        z_stream z;
        std::memset(&z, 0, sizeof z);
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return kErrBrokenData;
        z.next_in = const_cast<Bytef*>(src);
        z.avail_in = uInt(e.packed);
        z.next_out = out.data();
        z.avail_out = uInt(out.size());
        int r = inflate(&z, Z_FINISH);
        bool ok = (r == Z_STREAM_END || (r == Z_BUF_ERROR && z.avail_out == 0)) &&
                  z.total_out == out.size();
        inflateEnd(&z);
        if (!ok) return kErrBrokenData;
    } else if (e.method == "unknown" || e.method == "crypt") {
        return kErrNotSupported;
    } else {
        int r = DecodeThroughLibrary(a, e, out);
        if (r != kOk) return r;
    }
    return Crc32(out.data(), out.size()) == e.crc ? kOk : kErrFileCrc;
}

// Whether deflating makes `data` smaller, judged at zlib's fastest level (any higher level
// packs at least as tightly in practice), so that data already packed is stored. The input
// goes in 64 KiB steps, each flushed out; the answer is known as soon as what came out plus
// the rest, even if the rest were stored as it is, stays below the input's size.
bool DeflateShrinks(const Bytes& data) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (deflateInit2(&z, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return true;
    const size_t step = 1 << 16;
    uint8_t scratch[2 * step];
    uint64_t produced = 0;
    size_t done = 0;
    bool shrinks = false;
    for (;;) {
        size_t n = std::min(data.size() - done, step);
        z.next_in = const_cast<Bytef*>(data.data() + done);
        z.avail_in = uInt(n);
        done += n;
        const bool last = done == data.size();
        int r;
        do {
            z.next_out = scratch;
            z.avail_out = sizeof scratch;
            r = deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH);
            produced += sizeof scratch - z.avail_out;
        } while (r == Z_OK && z.avail_out == 0);
        if (r == Z_STREAM_ERROR) break;
        if (last) {
            shrinks = produced < data.size();
            break;
        }
        // Stored blocks cost five bytes per 65535 of data.
        const uint64_t rest = data.size() - done;
        if (produced + rest + rest / 8192 + 64 < data.size()) {
            shrinks = true;
            break;
        }
        if (produced >= data.size()) break;
    }
    deflateEnd(&z);
    return shrinks;
}

// libarchive writes every entry as made on Unix, its mode in the external attributes. Ours
// are made on MS-DOS (version 2.0) with the MS-DOS attribute bits in the low byte, which is
// where Windows tools and our reader take hidden, system and read-only from.
bool MarkMadeOnMsDos(Bytes& b, const std::vector<uint32_t>& attributes) {
    if (b.size() < 22 || Get32(&b[b.size() - 22]) != 0x06054b50) return false;
    size_t p = Get32(&b[b.size() - 6]);
    for (uint32_t attr : attributes) {
        if (p + 46 > b.size() || Get32(&b[p]) != 0x02014b50) return false;
        b[p + 4] = 20;
        b[p + 5] = 0;
        for (int i = 0; i < 4; ++i) b[p + 38 + i] = uint8_t((attr & 0xFF) >> (8 * i));
        p += 46 + Get16(&b[p + 28]) + Get16(&b[p + 30]) + Get16(&b[p + 32]);
    }
    return true;
}

}  // namespace

const Format kZipFormat = {"zip", Sniff, Parse, Decode};

int Zip_Write(const std::string& path, const std::vector<Item>& sources, int level) {
    ArchiveWriter writer(ArchiveWriter::Kind::Zip, level > 0 ? level : 6);
    std::vector<uint32_t> attributes;
    for (const Item& item : sources) {
        const Entry& s = item.entry;
        Bytes data;
        if (!s.is_dir && !ReadWholeFile(item.disk_path, data)) return kErrCannotRead;
        bool store = level <= 0 || data.empty() || !DeflateShrinks(data);
        int r = writer.Add(s, data, store);
        if (r != kOk) return r;
        attributes.push_back(s.attr);
    }
    Bytes out;
    int r = writer.Finish(&out);
    if (r != kOk) return r;
    // Our reader and the program know no Zip64: an archive of 4 GiB or more is not written.
    if (uint64_t(out.size()) >= 0xFFFFFFFFULL) return kErrNotSupported;
    if (!MarkMadeOnMsDos(out, attributes)) return kErrCannotCreate;
    return WriteWholeFile(path, out.data(), out.size()) ? kOk : kErrCannotCreate;
}

}  // namespace arc
