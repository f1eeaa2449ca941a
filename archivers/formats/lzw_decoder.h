#pragma once
// The LZW of the Unix `compress` program (.Z, .taz): the 3-byte header 1F 9D with the largest
// code width (9 to 16 bits) and the block-mode flag, then codes in groups that start anew at
// every change of width and after a table reset.
#include "../engine/util.h"

namespace arc {

bool Lzw_IsStream(const uint8_t* in, size_t size);

// Appends the decoded bytes. kErrNotArchive without the header, kErrNotSupported for a width
// outside 9..16, kErrBrokenData for a code that cannot occur (the stream is damaged).
int Lzw_Decode(const uint8_t* in, size_t size, Bytes* out);

}  // namespace arc
