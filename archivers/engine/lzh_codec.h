#pragma once
// The static-Huffman LZSS coder of the -lh5-, -lh6- and -lh7- methods; `dicbit` is 13, 15
// or 16 (window of 8, 32 or 64 KiB).
#include <cstddef>
#include <cstdint>
#include <vector>

namespace arc {

// Decodes exactly `n` bytes into `out`. False on malformed input.
bool Lzh_Decode(const uint8_t* src, size_t src_len, uint8_t* out, size_t n, int dicbit);
std::vector<uint8_t> Lzh_Encode(const uint8_t* src, size_t n, int dicbit);

}  // namespace arc
