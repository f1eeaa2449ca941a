#pragma once
// LZMA and LZMA2 as the 7z format and our YZ1 container store them (raw streams, the sizes
// kept outside), encoded and decoded through liblzma.
#include "../engine/util.h"

namespace arc {

enum class LzmaKind { Lzma, Lzma2 };

// Encodes all of `data` at 7-Zip's default level with a dictionary no larger than the data
// needs. `out` gets the stream (LZMA without an end marker), `props` the coder properties (5
// bytes for LZMA, 1 for LZMA2). False only when liblzma fails (out of memory).
bool Lzma_Encode(LzmaKind kind, const uint8_t* data, size_t size, Bytes* out, Bytes* props);

// Decodes exactly `out_size` bytes (an LZMA end marker after them is allowed), undoing the x86
// branch filter afterwards when `x86` is set. kErrBrokenData when the stream is damaged, cut
// short or decodes to another size; kErrNotSupported for properties liblzma refuses.
int Lzma_Decode(LzmaKind kind, const Bytes& props, bool x86, const uint8_t* in, size_t in_size,
                uint64_t out_size, Bytes* out);

}  // namespace arc
