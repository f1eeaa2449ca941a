#include "stream_decoder.h"

#include <archive.h>
#include <archive_entry.h>

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace arc {

namespace {

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ReadHandle = std::unique_ptr<archive, ReadCloser>;

// A reader of one compressed stream read raw, opened on `in` (its filter chosen by the
// first bytes); null when it is not compressed.
ReadHandle OpenStream(const uint8_t* in, size_t size) {
    ReadHandle a(archive_read_new());
    if (!a) return nullptr;
    // Only the filters built in: the others would start external programs.
    archive_read_support_filter_gzip(a.get());
    archive_read_support_filter_bzip2(a.get());
    archive_read_support_filter_compress(a.get());
    archive_read_support_filter_xz(a.get());
    archive_read_support_filter_lzma(a.get());
    archive_read_support_filter_lzip(a.get());
    archive_read_support_filter_zstd(a.get());
    archive_read_support_format_raw(a.get());
    if (archive_read_open_memory(a.get(), in, size) != ARCHIVE_OK ||
        archive_filter_code(a.get(), 0) == ARCHIVE_FILTER_NONE)
        return nullptr;
    return a;
}

// libarchive's gzip filter leaves the members' CRC-32 unchecked; zlib checks it.
int Gunzip(const uint8_t* in, size_t size, Bytes* out) {
    z_stream z;
    std::memset(&z, 0, sizeof z);
    if (inflateInit2(&z, 15 + 16) != Z_OK) return kErrBrokenData;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = uInt(size);
    // The trailer gives the last member's size (modulo 4 GiB): room for it at once spares
    // the copies of a buffer that doubles. Only a hint, and no more than deflate can give.
    if (size >= 18) {
        uint64_t hint = uint64_t(in[size - 4]) | uint64_t(in[size - 3]) << 8 |
                        uint64_t(in[size - 2]) << 16 | uint64_t(in[size - 1]) << 24;
        out->reserve(out->size() + size_t(std::min<uint64_t>(hint, uint64_t(size) * 1032)));
    }
    std::vector<uint8_t> chunk(1 << 18);
    int result = kOk;
    for (;;) {
        z.next_out = chunk.data();
        z.avail_out = uInt(chunk.size());
        int r = inflate(&z, Z_NO_FLUSH);
        out->insert(out->end(), chunk.data(), chunk.data() + (chunk.size() - z.avail_out));
        if (r == Z_STREAM_END) {
            // Members written one after another form one stream, as gzip itself reads them.
            if (z.avail_in >= 2 && z.next_in[0] == 0x1F && z.next_in[1] == 0x8B) {
                inflateReset(&z);
                continue;
            }
            break;
        }
        if (r != Z_OK) {
            result = kErrBrokenData;
            break;
        }
    }
    inflateEnd(&z);
    return result;
}

}  // namespace

std::string Stream_Compression(const uint8_t* in, size_t size) {
    // By the magic bytes: libarchive's open already decodes a first piece, and a stream cut
    // short or damaged there is still this compression, only broken.
    static const struct {
        const char* magic;
        size_t n;
        const char* name;
    } kMagic[] = {{"\x1F\x8B\x08", 3, "gz"},
                  {"BZh", 3, "bz2"},
                  {"\x1F\x9D", 2, "Z"},
                  {"\xFD"
                   "7zXZ\x00",
                   6, "xz"},
                  {"\x28\xB5\x2F\xFD", 4, "zst"},
                  {"LZIP", 4, "lz"}};
    for (const auto& m : kMagic)
        if (size >= m.n && std::memcmp(in, m.magic, m.n) == 0) return m.name;
    // The lzma format has no magic: libarchive's bidder judges its header.
    ReadHandle a = OpenStream(in, size);
    return a && archive_filter_code(a.get(), 0) == ARCHIVE_FILTER_LZMA ? "lzma" : "";
}

int Stream_Decode(const uint8_t* in, size_t size, Bytes* out) {
    ReadHandle a = OpenStream(in, size);
    if (!a) return Stream_Compression(in, size).empty() ? kErrNotArchive : kErrBrokenData;
    if (archive_filter_code(a.get(), 0) == ARCHIVE_FILTER_GZIP) return Gunzip(in, size, out);
    archive_entry* entry = nullptr;
    if (archive_read_next_header(a.get(), &entry) != ARCHIVE_OK) return kErrBrokenData;
    uint8_t chunk[65536];
    for (;;) {
        la_ssize_t n = archive_read_data(a.get(), chunk, sizeof chunk);
        if (n < 0) return kErrBrokenData;
        if (n == 0) return kOk;
        out->insert(out->end(), chunk, chunk + n);
    }
}

}  // namespace arc
