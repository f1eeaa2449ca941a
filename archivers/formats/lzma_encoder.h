#pragma once
// A small LZMA encoder for the 7z writer: greedy parsing over a hash-chain match finder,
// literals, matches and repeats of the last distance. Far from the best ratio, but any
// LZMA decoder reads its output.
#include "../engine/util.h"

namespace arc {

// Appends the encoded stream (no end marker: 7z stores the size) to out and sets props to
// the 5 coder property bytes.
void Lzma_Encode(const uint8_t* data, size_t size, Bytes* out, Bytes* props);

}  // namespace arc
