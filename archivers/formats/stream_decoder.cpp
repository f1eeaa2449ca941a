#include "stream_decoder.h"

#include <archive.h>
#include <archive_entry.h>

#include <libdeflate.h>

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

// libarchive's gzip filter leaves the members' CRC-32 unchecked; libdeflate checks it, with
// the size, and decodes a whole member in memory at about three times zlib's speed. A member
// needs room for all it decodes to: the trailer's size (of the last member, modulo 4 GiB)
// first, then twice as much, never more than deflate can give.
int Gunzip(const uint8_t* in, size_t size, Bytes* out) {
    std::unique_ptr<libdeflate_decompressor, void (*)(libdeflate_decompressor*)> d(
        libdeflate_alloc_decompressor(), libdeflate_free_decompressor);
    if (!d || size < 18) return kErrBrokenData;
    const uint64_t most = uint64_t(size) * 1032;
    uint64_t room = uint64_t(in[size - 4]) | uint64_t(in[size - 3]) << 8 |
                    uint64_t(in[size - 2]) << 16 | uint64_t(in[size - 1]) << 24;
    room = std::min(std::max<uint64_t>(room, 1 << 12), most);
    size_t at = 0;
    for (;;) {
        const size_t start = out->size();
        size_t used = 0, got = 0;
        libdeflate_result r;
        for (;;) {
            out->resize(start + size_t(room));
            r = libdeflate_gzip_decompress_ex(d.get(), in + at, size - at, out->data() + start,
                                              size_t(room), &used, &got);
            if (r != LIBDEFLATE_INSUFFICIENT_SPACE || room >= most) break;
            room = std::min(room * 2, most);
        }
        out->resize(start + (r == LIBDEFLATE_SUCCESS ? got : 0));
        if (r != LIBDEFLATE_SUCCESS) return kErrBrokenData;
        at += used;
        // Members written one after another form one stream, as gzip itself reads them.
        if (size - at < 2 || in[at] != 0x1F || in[at + 1] != 0x8B) return kOk;
    }
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
