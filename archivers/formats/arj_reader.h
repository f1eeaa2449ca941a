#pragma once
// Reader of ARJ archives: methods 0 (stored), 1 to 3 (the LZ77 + Huffman coder with ARJ's
// 26,624-byte window) and 4 (ARJ's fastest coder), CRC-32 checked. Garbled (password)
// entries and volume continuations are reported Unsupported.
#include "../engine/util.h"

namespace arc {

class ArjReader {
public:
    int Open(SharedBytes archive);
    const std::vector<Entry>& Entries() const { return entries_; }
    int Extract(size_t index, Bytes* out);

private:
    struct Place {
        size_t offset;
        uint8_t method;
        uint8_t flags;
    };
    SharedBytes archive_;
    std::vector<Entry> entries_;
    std::vector<Place> places_;
};

// The decoders alone, for tests of damaged input: `size` bytes are expected.
int Arj_DecodeLzh(const uint8_t* in, size_t in_size, size_t size, Bytes* out);
int Arj_DecodeFastest(const uint8_t* in, size_t in_size, size_t size, Bytes* out);

}  // namespace arc
