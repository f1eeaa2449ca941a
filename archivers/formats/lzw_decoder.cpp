#include "lzw_decoder.h"

#include <vector>

namespace arc {
namespace {

const unsigned kClear = 256;
const size_t kHeader = 3;

}  // namespace

bool Lzw_IsStream(const uint8_t* in, size_t size) {
    return size >= kHeader && in[0] == 0x1F && in[1] == 0x9D;
}

int Lzw_Decode(const uint8_t* in, size_t size, Bytes* out) {
    if (!Lzw_IsStream(in, size)) return kErrNotArchive;
    const unsigned max_bits = in[2] & 0x1F;
    const bool block_mode = (in[2] & 0x80) != 0;
    if (max_bits < 9 || max_bits > 16) return kErrNotSupported;
    const unsigned max_max_code = 1u << max_bits;

    std::vector<uint16_t> prefix(max_max_code, 0);
    std::vector<uint8_t> suffix(max_max_code, 0);
    for (unsigned c = 0; c < 256; ++c) suffix[c] = static_cast<uint8_t>(c);
    std::vector<uint8_t> stack;
    stack.reserve(max_max_code);

    const uint64_t end_bits = static_cast<uint64_t>(size) * 8;
    uint64_t pos = kHeader * 8;  // bit position of the next code
    uint64_t group_start = pos;  // codes come in groups of 8, counted from here
    unsigned bits = 9;
    unsigned max_code = (1u << bits) - 1;
    unsigned free_entry = block_mode ? 257 : 256;
    int old_code = -1;
    unsigned fin_char = 0;

    // The writer pads the current group of 8 codes (bits bytes) before it changes the width.
    auto skip_rest_of_group = [&]() {
        const uint64_t group = bits * 8u;
        uint64_t used = (pos - group_start) % group;
        if (used) pos += group - used;
        group_start = pos;
    };

    while (true) {
        if (free_entry > max_code) {
            skip_rest_of_group();
            ++bits;
            max_code = bits == max_bits ? max_max_code : (1u << bits) - 1;
        }
        if (pos + bits > end_bits) break;  // what is left is less than a code: the end
        const size_t byte = static_cast<size_t>(pos >> 3);
        uint32_t window = 0;
        for (size_t i = 0; i < 3 && byte + i < size; ++i)
            window |= uint32_t(in[byte + i]) << (8 * i);
        unsigned code = (window >> (pos & 7)) & ((1u << bits) - 1);
        pos += bits;

        if (old_code == -1) {
            if (code >= 256) return kErrBrokenData;
            old_code = static_cast<int>(code);
            fin_char = code;
            out->push_back(static_cast<uint8_t>(code));
            continue;
        }
        if (code == kClear && block_mode) {
            free_entry = 256;  // the next code adds the unused entry 256 back to 257
            skip_rest_of_group();
            bits = 9;
            max_code = (1u << bits) - 1;
            continue;
        }
        const unsigned in_code = code;
        stack.clear();
        if (code >= free_entry) {
            if (code > free_entry) return kErrBrokenData;
            stack.push_back(static_cast<uint8_t>(fin_char));
            code = static_cast<unsigned>(old_code);
        }
        while (code >= 256) {
            // Every entry refers to an older one; a chain longer than the table is damage.
            if (stack.size() >= max_max_code || prefix[code] >= code) return kErrBrokenData;
            stack.push_back(suffix[code]);
            code = prefix[code];
        }
        fin_char = suffix[code];
        stack.push_back(static_cast<uint8_t>(fin_char));
        out->insert(out->end(), stack.rbegin(), stack.rend());
        if (free_entry < max_max_code) {
            prefix[free_entry] = static_cast<uint16_t>(old_code);
            suffix[free_entry] = static_cast<uint8_t>(fin_char);
            ++free_entry;
        }
        old_code = static_cast<int>(in_code);
    }
    return kOk;
}

}  // namespace arc
