#include "bzip2_decoder.h"

#include <bzlib.h>
#include <bzlib_private.h>

#include <cstring>

namespace arc {
namespace {

// The library says BZ_DATA_ERROR both for undecodable data and for a CRC that does not match;
// its state tells the two apart, as it stops right at either CRC comparison.
bool StoppedAtCrc(const bz_stream& z) {
    const DState* s = static_cast<const DState*>(z.state);
    if (s->state == BZ_X_OUTPUT && s->nblock_used == s->save_nblock + 1 && s->state_out_len == 0)
        return s->calculatedBlockCRC != s->storedBlockCRC;
    return s->state == BZ_X_IDLE && s->calculatedCombinedCRC != s->storedCombinedCRC;
}

// One stream from `in`; `used` gets the bytes it took.
int DecodeStream(const uint8_t* in, size_t size, Bytes* out, size_t* used) {
    bz_stream z;
    std::memset(&z, 0, sizeof z);
    if (BZ2_bzDecompressInit(&z, 0, 0) != BZ_OK) return kErrCannotRead;
    z.next_in = const_cast<char*>(reinterpret_cast<const char*>(in));
    int status = kOk;
    size_t fed = 0;
    const size_t kChunk = 1u << 20;
    for (;;) {
        // avail_in is an unsigned int: feed large inputs in pieces.
        if (z.avail_in == 0 && fed < size) {
            z.avail_in = static_cast<unsigned>(size - fed < (1u << 30) ? size - fed : 1u << 30);
            z.next_in = const_cast<char*>(reinterpret_cast<const char*>(in + fed));
            fed += z.avail_in;
        }
        size_t had = out->size();
        out->resize(had + kChunk);
        z.next_out = reinterpret_cast<char*>(out->data() + had);
        z.avail_out = static_cast<unsigned>(kChunk);
        int r = BZ2_bzDecompress(&z);
        out->resize(had + (kChunk - z.avail_out));
        if (r == BZ_STREAM_END) break;
        if (r == BZ_DATA_ERROR) {
            status = StoppedAtCrc(z) ? kErrFileCrc : kErrBrokenData;
            break;
        }
        if (r == BZ_DATA_ERROR_MAGIC) {
            status = kErrNotArchive;
            break;
        }
        if (r != BZ_OK) {
            status = r == BZ_MEM_ERROR ? kErrCannotRead : kErrBrokenData;
            break;
        }
        // No progress with all input given: the stream is cut short.
        if (z.avail_in == 0 && fed == size && z.avail_out != 0) {
            status = kErrBrokenData;
            break;
        }
    }
    *used = fed - z.avail_in;
    BZ2_bzDecompressEnd(&z);
    return status;
}

}  // namespace

bool Bzip2_IsStream(const uint8_t* in, size_t size) {
    return size >= 4 && in[0] == 'B' && in[1] == 'Z' && in[2] == 'h' && in[3] >= '1' &&
           in[3] <= '9';
}

int Bzip2_Decode(const uint8_t* in, size_t size, Bytes* out) {
    if (!Bzip2_IsStream(in, size)) return kErrNotArchive;
    size_t at = 0;
    while (at < size) {
        size_t used = 0;
        int s = DecodeStream(in + at, size - at, out, &used);
        // A later stream that does not even start like one is trailing garbage, which bzip2
        // itself warns about and ignores.
        if (s == kErrNotArchive) return at == 0 ? s : kOk;
        if (s != kOk) return s;
        at += used;
        if (!Bzip2_IsStream(in + at, size - at)) break;
    }
    return kOk;
}

}  // namespace arc
