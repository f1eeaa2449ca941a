#include "stream_decoder.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>

namespace arc {

namespace {

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ReadHandle = std::unique_ptr<archive, ReadCloser>;

// A reader of one compressed stream read raw, opened on `in`; null when it is not one.
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
    archive_entry* entry = nullptr;
    if (archive_read_open_memory(a.get(), in, size) != ARCHIVE_OK ||
        archive_read_next_header(a.get(), &entry) != ARCHIVE_OK ||
        archive_filter_code(a.get(), 0) == ARCHIVE_FILTER_NONE)
        return nullptr;
    return a;
}

}  // namespace

std::string Stream_Compression(const uint8_t* in, size_t size) {
    ReadHandle a = OpenStream(in, size);
    if (!a) return "";
    switch (archive_filter_code(a.get(), 0)) {
        case ARCHIVE_FILTER_GZIP:
            return "gz";
        case ARCHIVE_FILTER_BZIP2:
            return "bz2";
        case ARCHIVE_FILTER_COMPRESS:
            return "Z";
        case ARCHIVE_FILTER_XZ:
            return "xz";
        case ARCHIVE_FILTER_LZMA:
            return "lzma";
        case ARCHIVE_FILTER_ZSTD:
            return "zst";
        case ARCHIVE_FILTER_LZIP:
            return "lz";
        default:
            return "";
    }
}

int Stream_Decode(const uint8_t* in, size_t size, Bytes* out) {
    ReadHandle a = OpenStream(in, size);
    if (!a) return kErrNotArchive;
    uint8_t chunk[65536];
    for (;;) {
        la_ssize_t n = archive_read_data(a.get(), chunk, sizeof chunk);
        if (n < 0) return kErrBrokenData;
        if (n == 0) return kOk;
        out->insert(out->end(), chunk, chunk + n);
    }
}

}  // namespace arc
