#include "lzma_codec.h"

#include <lzma.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace arc {
namespace {

// 7-Zip's default level ("-mx5") is liblzma's preset 5: normal mode, 8 MiB dictionary.
const uint32_t kPreset = 5;

struct StreamCloser {
    void operator()(lzma_stream* s) const { lzma_end(s); }
};
using StreamGuard = std::unique_ptr<lzma_stream, StreamCloser>;

// Options from lzma_properties_decode are allocated with malloc by liblzma.
struct OptionsFree {
    void operator()(void* p) const { std::free(p); }
};

}  // namespace

bool Lzma_Encode(LzmaKind kind, const uint8_t* data, size_t size, Bytes* out, Bytes* props) {
    lzma_options_lzma options;
    if (lzma_lzma_preset(&options, kPreset)) return false;
    // A dictionary larger than the data only costs memory and the time to clear it.
    uint32_t dict = LZMA_DICT_SIZE_MIN;
    while (dict < size && dict < options.dict_size) dict <<= 1;
    options.dict_size = dict;
    options.ext_flags = 0;  // LZMA: no end marker, 7z stores the size
    lzma_filter filters[2] = {
        {kind == LzmaKind::Lzma ? LZMA_FILTER_LZMA1EXT : LZMA_FILTER_LZMA2, &options},
        {LZMA_VLI_UNKNOWN, nullptr}};

    // The coder properties: for LZMA those of the plain filter (the extension is ours only).
    lzma_filter plain = {kind == LzmaKind::Lzma ? LZMA_FILTER_LZMA1 : LZMA_FILTER_LZMA2, &options};
    uint32_t props_size = 0;
    if (lzma_properties_size(&props_size, &plain) != LZMA_OK) return false;
    props->assign(props_size, 0);
    if (lzma_properties_encode(&plain, props->data()) != LZMA_OK) return false;

    lzma_stream stream = LZMA_STREAM_INIT;
    if (lzma_raw_encoder(&stream, filters) != LZMA_OK) return false;
    StreamGuard guard(&stream);
    const size_t start = out->size();
    size_t written = start;
    out->resize(start + size + size / 32 + 1024);
    stream.next_in = data;
    stream.avail_in = size;
    lzma_ret r = LZMA_OK;
    while (r == LZMA_OK) {
        if (written == out->size()) out->resize(out->size() + out->size() / 2 + 1024);
        stream.next_out = out->data() + written;
        stream.avail_out = out->size() - written;
        r = lzma_code(&stream, LZMA_FINISH);
        written = static_cast<size_t>(stream.next_out - out->data());
    }
    out->resize(written);
    return r == LZMA_STREAM_END;
}

int Lzma_Decode(LzmaKind kind, const Bytes& props, bool x86, const uint8_t* in, size_t in_size,
                uint64_t out_size, Bytes* out) {
    lzma_filter coder = {kind == LzmaKind::Lzma ? LZMA_FILTER_LZMA1 : LZMA_FILTER_LZMA2, nullptr};
    if (lzma_properties_decode(&coder, nullptr, props.data(), props.size()) != LZMA_OK)
        return kErrNotSupported;
    std::unique_ptr<void, OptionsFree> options_owner(coder.options);
    if (kind == LzmaKind::Lzma) {
        // The size is known from the header; 7z streams seldom, but sometimes, end with a
        // marker as well.
        auto* options = static_cast<lzma_options_lzma*>(coder.options);
        coder.id = LZMA_FILTER_LZMA1EXT;
        options->ext_flags = LZMA_LZMA1EXT_ALLOW_EOPM;
        lzma_set_ext_size(*options, out_size);
    }
    lzma_filter filters[3];
    size_t n = 0;
    if (x86) filters[n++] = {LZMA_FILTER_X86, nullptr};
    filters[n++] = coder;
    filters[n] = {LZMA_VLI_UNKNOWN, nullptr};

    lzma_stream stream = LZMA_STREAM_INIT;
    lzma_ret r = lzma_raw_decoder(&stream, filters);
    if (r != LZMA_OK) return r == LZMA_MEM_ERROR ? kErrBrokenData : kErrNotSupported;
    StreamGuard guard(&stream);
    stream.next_in = in;
    stream.avail_in = in_size;
    // The output grows with what is really decoded, never by the size a header claims.
    Bytes chunk(1 << 20);
    uint64_t produced = 0;
    while (produced < out_size) {
        size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), out_size - produced));
        stream.next_out = chunk.data();
        stream.avail_out = want;
        r = lzma_code(&stream, LZMA_FINISH);
        size_t got = want - stream.avail_out;
        out->insert(out->end(), chunk.data(), chunk.data() + got);
        produced += got;
        if (r != LZMA_OK) break;
    }
    return produced == out_size ? kOk : kErrBrokenData;
}

}  // namespace arc
