#pragma once
// LZMA and LZMA2 decoding for the 7z reader. Whole streams are decoded in memory: the
// output buffer doubles as the dictionary, so no window management is needed.
#include "../engine/util.h"

namespace arc {

// props: the 5 coder property bytes (lc/lp/pb byte, dictionary size). Appends out_size bytes.
int Lzma_Decode(const uint8_t* props, size_t props_size, const uint8_t* in, size_t in_size,
                uint64_t out_size, Bytes* out);

// prop: the one LZMA2 property byte (dictionary size code).
int Lzma2_Decode(const uint8_t* props, size_t props_size, const uint8_t* in, size_t in_size,
                 uint64_t out_size, Bytes* out);

}  // namespace arc
