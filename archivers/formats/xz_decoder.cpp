#include "xz_decoder.h"

#include <cstring>

#include "lzma_decoder.h"

namespace arc {
namespace {

const uint8_t kMagic[6] = {0xFD, '7', 'z', 'X', 'Z', 0};
const uint8_t kFooterMagic[2] = {'Y', 'Z'};
const size_t kStreamHeader = 12;
const uint64_t kLzma2Filter = 0x21;

uint64_t Crc64(const uint8_t* data, size_t size) {
    static uint64_t table[256];
    static bool ready = false;
    if (!ready) {
        for (unsigned i = 0; i < 256; ++i) {
            uint64_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xC96C5795D7870F42ull : c >> 1;
            table[i] = c;
        }
        ready = true;
    }
    uint64_t crc = ~0ull;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

// Size of the check field for each check id.
size_t CheckSize(unsigned id) {
    if (id == 0) return 0;
    return size_t(4) << ((id - 1) / 3);
}

// A variable-length integer: 7 bits a byte, at most 9 bytes.
bool ReadVli(const uint8_t* in, size_t end, size_t* at, uint64_t* value) {
    *value = 0;
    for (int i = 0; i < 9; ++i) {
        if (*at >= end) return false;
        uint8_t b = in[(*at)++];
        *value |= uint64_t(b & 0x7F) << (7 * i);
        if (!(b & 0x80)) return !(i > 0 && b == 0);  // no superfluous zero bytes
    }
    return false;
}

// Walks the LZMA2 chunk headers (without decoding) for the sizes the decoder needs.
bool Lzma2Sizes(const uint8_t* in, size_t size, uint64_t* packed, uint64_t* unpacked) {
    size_t i = 0;
    *unpacked = 0;
    while (i < size) {
        unsigned control = in[i++];
        if (control == 0) {
            *packed = i;
            return true;
        }
        if (control == 1 || control == 2) {
            if (i + 2 > size) return false;
            size_t n = ((in[i] << 8) | in[i + 1]) + 1u;
            i += 2 + n;
            *unpacked += n;
            continue;
        }
        if (control < 0x80 || i + 4 > size) return false;
        *unpacked += ((control & 0x1Fu) << 16) + (in[i] << 8) + in[i + 1] + 1u;
        i += 4 + ((in[i + 2] << 8) | in[i + 3]) + 1u + (((control >> 5) & 3) >= 2 ? 1 : 0);
    }
    return false;
}

struct BlockRecord {
    uint64_t unpadded;
    uint64_t unpacked;
};

// One block from `at` (its header size byte is not zero); moves `at` past its check.
int DecodeBlock(const uint8_t* in, size_t size, size_t* at, unsigned check, Bytes* out,
                BlockRecord* record) {
    const size_t start = *at;
    const size_t header_size = (size_t(in[start]) + 1) * 4;
    if (header_size > size - start) return kErrHeaderCrc;
    const uint8_t* h = in + start;
    if (Get32(h + header_size - 4) != Crc32(h, header_size - 4)) return kErrHeaderCrc;
    const unsigned flags = h[1];
    if (flags & 0x3C) return kErrNotSupported;
    const size_t h_end = header_size - 4;
    size_t p = 2;
    uint64_t stated_packed = 0, stated_unpacked = 0;
    if ((flags & 0x40) && !ReadVli(h, h_end, &p, &stated_packed)) return kErrHeaderCrc;
    if ((flags & 0x80) && !ReadVli(h, h_end, &p, &stated_unpacked)) return kErrHeaderCrc;
    if ((flags & 3) != 0) return kErrNotSupported;  // a filter chain in front of LZMA2
    uint64_t filter = 0, props_size = 0;
    if (!ReadVli(h, h_end, &p, &filter) || !ReadVli(h, h_end, &p, &props_size))
        return kErrHeaderCrc;
    if (filter != kLzma2Filter) return kErrNotSupported;
    if (props_size != 1 || p + 1 > h_end) return kErrHeaderCrc;
    const uint8_t prop = h[p++];
    for (; p < h_end; ++p)
        if (h[p] != 0) return kErrHeaderCrc;

    const size_t data = start + header_size;
    uint64_t packed = 0, unpacked = 0;
    if (!Lzma2Sizes(in + data, size - data, &packed, &unpacked)) return kErrBrokenData;
    if (((flags & 0x40) && stated_packed != packed) ||
        ((flags & 0x80) && stated_unpacked != unpacked))
        return kErrBrokenData;
    const size_t had = out->size();
    int s = Lzma2_Decode(&prop, 1, in + data, static_cast<size_t>(packed), unpacked, out);
    if (s != kOk) return s;

    size_t q = data + static_cast<size_t>(packed);
    while (q % 4 != 0) {
        if (q >= size || in[q] != 0) return kErrBrokenData;
        ++q;
    }
    const size_t check_size = CheckSize(check);
    if (check_size > size - q) return kErrBrokenData;
    const uint8_t* decoded = out->data() + had;
    const size_t n = out->size() - had;
    if (check == 1 && Get32(in + q) != Crc32(decoded, n)) return kErrFileCrc;
    if (check == 4) {
        uint64_t crc = Crc64(decoded, n);
        for (int i = 0; i < 8; ++i)
            if (in[q + i] != uint8_t(crc >> (8 * i))) return kErrFileCrc;
    }
    record->unpadded = header_size + packed + check_size;
    record->unpacked = unpacked;
    *at = q + check_size;
    return kOk;
}

// The index after the blocks must list exactly the blocks read; then the footer.
int CheckIndexAndFooter(const uint8_t* in, size_t size, size_t* at,
                        const std::vector<BlockRecord>& blocks, const uint8_t* stream_flags) {
    const size_t start = *at;
    size_t p = start + 1;  // the index indicator, 0
    uint64_t count = 0;
    if (!ReadVli(in, size, &p, &count) || count != blocks.size()) return kErrHeaderCrc;
    for (const BlockRecord& b : blocks) {
        uint64_t unpadded = 0, unpacked = 0;
        if (!ReadVli(in, size, &p, &unpadded) || !ReadVli(in, size, &p, &unpacked) ||
            unpadded != b.unpadded || unpacked != b.unpacked)
            return kErrHeaderCrc;
    }
    while ((p - start) % 4 != 0) {
        if (p >= size || in[p] != 0) return kErrHeaderCrc;
        ++p;
    }
    if (p + 4 + 12 > size || Get32(in + p) != Crc32(in + start, p - start)) return kErrHeaderCrc;
    const size_t index_size = p - start + 4;  // with its CRC-32
    const uint8_t* f = in + p + 4;
    if (Get32(f) != Crc32(f + 4, 6) || (uint64_t(Get32(f + 4)) + 1) * 4 != index_size ||
        std::memcmp(f + 8, stream_flags, 2) != 0 || std::memcmp(f + 10, kFooterMagic, 2) != 0)
        return kErrHeaderCrc;
    *at = p + 4 + 12;
    return kOk;
}

int DecodeStream(const uint8_t* in, size_t size, size_t* at, Bytes* out) {
    const uint8_t* h = in + *at;
    if (size - *at < kStreamHeader || std::memcmp(h, kMagic, 6) != 0) return kErrNotArchive;
    if (Get32(h + 8) != Crc32(h + 6, 2) || h[6] != 0 || (h[7] & 0xF0)) return kErrHeaderCrc;
    const unsigned check = h[7];
    if (check != 0 && check != 1 && check != 4) return kErrNotSupported;
    size_t p = *at + kStreamHeader;
    std::vector<BlockRecord> blocks;
    while (true) {
        if (p >= size) return kErrBrokenData;
        if (in[p] == 0) break;
        BlockRecord record;
        int s = DecodeBlock(in, size, &p, check, out, &record);
        if (s != kOk) return s;
        blocks.push_back(record);
    }
    int s = CheckIndexAndFooter(in, size, &p, blocks, h + 6);
    if (s == kOk) *at = p;
    return s;
}

}  // namespace

bool Xz_IsStream(const uint8_t* in, size_t size) {
    return size >= kStreamHeader && std::memcmp(in, kMagic, 6) == 0;
}

int Xz_Decode(const uint8_t* in, size_t size, Bytes* out) {
    if (!Xz_IsStream(in, size)) return kErrNotArchive;
    size_t at = 0;
    while (at < size) {
        int s = DecodeStream(in, size, &at, out);
        if (s != kOk) return s;
        // Stream padding: zeros in whole 4-byte units, then perhaps another stream.
        size_t zeros = at;
        while (zeros < size && in[zeros] == 0) ++zeros;
        if ((zeros - at) % 4 != 0) return kErrBrokenData;
        at = zeros;
        if (at < size && !Xz_IsStream(in + at, size - at)) return kErrBrokenData;
    }
    return kOk;
}

}  // namespace arc
