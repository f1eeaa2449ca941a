#pragma once
// bzip2 decoding through the bzip2 library: a whole .bz2 file in memory, one stream or several
// written one after another (as parallel compressors do), every block and stream CRC checked.
#include "../engine/util.h"

namespace arc {

// "BZh" and a block size digit.
bool Bzip2_IsStream(const uint8_t* in, size_t size);

// Appends the decoded bytes. kErrNotArchive when the input is no bzip2 stream, kErrBrokenData
// when it is damaged or cut short, kErrFileCrc when a block or stream CRC does not match.
int Bzip2_Decode(const uint8_t* in, size_t size, Bytes* out);

}  // namespace arc
