#pragma once
// Compressed single streams (gzip, bzip2, compress, xz, lzma, zstd, lzip) decoded through
// libarchive's filters (gzip through libdeflate, which checks its CRC-32 and size): what a
// compressed tar or a lone compressed file holds. A failed check is damaged data like any
// other.
#include <string>

#include "../engine/util.h"

namespace arc {

// The compression of a stream ("gz", "bz2", "Z", "xz", "lzma", "zst", "lz"), empty when its
// first bytes are none that libarchive decodes.
std::string Stream_Compression(const uint8_t* in, size_t size);
// Appends the whole decoded stream (members written one after another included).
// kErrNotArchive when it is not compressed, kErrBrokenData when it is damaged or cut short.
int Stream_Decode(const uint8_t* in, size_t size, Bytes* out);

}  // namespace arc
