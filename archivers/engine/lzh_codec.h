#pragma once
// The static-Huffman LZSS encoder of the -lh5- and -lh7- methods; `dicbit` is 13 or 16
// (window of 8 or 64 KiB). Reading goes through libarchive.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace arc {

std::vector<uint8_t> Lzh_Encode(const uint8_t* src, size_t n, int dicbit);

}  // namespace arc
