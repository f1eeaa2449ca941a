#include "arj_reader.h"
#include "reader_format.h"

#include <windows.h>

#include <algorithm>

namespace arc {
namespace {

const uint8_t kId0 = 0x60, kId1 = 0xEA;
const size_t kMaxHeader = 2600;
const uint8_t kGarbled = 0x01, kVolume = 0x04, kExtFile = 0x08;
const uint8_t kTypeDirectory = 3, kTypeLabel = 4;
const uint8_t kHostUnix = 2;

// MSB-first bit reader; reads past the end yield zeros and set a flag the decoders check.
class BitReader {
public:
    BitReader(const uint8_t* p, size_t size) : p_(p), end_(p + size) { Fill(); }
    unsigned Peek16() const { return static_cast<unsigned>(buffer_ >> 16) & 0xFFFF; }
    void Skip(unsigned n) {
        buffer_ <<= n;
        count_ -= n;
        Fill();
    }
    unsigned Get(unsigned n) {
        if (n == 0) return 0;
        unsigned v = static_cast<unsigned>(buffer_ >> (32 - n));
        Skip(n);
        return v;
    }
    bool Overrun() const { return overrun_ > 4; }

private:
    void Fill() {
        while (count_ <= 24) {
            uint32_t byte = 0;
            if (p_ < end_)
                byte = *p_++;
            else
                ++overrun_;
            buffer_ |= byte << (24 - count_);
            count_ += 8;
        }
    }
    const uint8_t* p_;
    const uint8_t* end_;
    uint32_t buffer_ = 0;
    int count_ = 0;
    int overrun_ = 0;
};

// Canonical Huffman code as the LZH family assigns it: shorter codes first, symbols in
// order within one length.
class Huffman {
public:
    bool Build(const std::vector<uint8_t>& lengths) {
        constant_ = false;
        for (auto& c : count_) c = 0;
        symbols_.clear();
        for (uint8_t len : lengths) {
            if (len > 16) return false;
            ++count_[len];
        }
        count_[0] = 0;
        uint32_t space = 0;
        for (int len = 1; len <= 16; ++len) space += count_[len] << (16 - len);
        if (space > (1u << 16)) return false;
        for (int len = 1; len <= 16; ++len)
            for (size_t s = 0; s < lengths.size(); ++s)
                if (lengths[s] == len) symbols_.push_back(static_cast<uint16_t>(s));
        return true;
    }
    void Constant(unsigned symbol) {
        constant_ = true;
        constant_symbol_ = symbol;
    }
    // -1 when the bits form no code of the table.
    int Decode(BitReader& in) const {
        if (constant_) return static_cast<int>(constant_symbol_);
        unsigned bits = in.Peek16();
        unsigned code = 0, first = 0, index = 0;
        for (int len = 1; len <= 16; ++len) {
            code |= (bits >> (16 - len)) & 1;
            if (code - first < count_[len]) {
                in.Skip(len);
                return symbols_[index + code - first];
            }
            index += count_[len];
            first = (first + count_[len]) << 1;
            code <<= 1;
        }
        return -1;
    }

private:
    bool constant_ = false;
    unsigned constant_symbol_ = 0;
    unsigned count_[17] = {};
    std::vector<uint16_t> symbols_;
};

const unsigned kNc = 510, kNt = 19, kNp = 17, kCBits = 9, kTBits = 5, kPBits = 5;

bool ReadPtLengths(BitReader& in, unsigned nn, unsigned nbit, int zero_run_after, Huffman* table) {
    unsigned n = in.Get(nbit);
    if (n == 0) {
        table->Constant(in.Get(nbit));
        return true;
    }
    if (n > nn) return false;
    std::vector<uint8_t> lengths(nn, 0);
    unsigned i = 0;
    while (i < n) {
        unsigned c = in.Peek16() >> 13;
        if (c == 7) {
            unsigned mask = 1u << 12;
            while (mask & in.Peek16()) {
                mask >>= 1;
                ++c;
                if (c > 16) return false;
            }
        }
        in.Skip(c < 7 ? 3 : c - 3);
        lengths[i++] = static_cast<uint8_t>(c);
        if (static_cast<int>(i) == zero_run_after) {
            int zeros = static_cast<int>(in.Get(2));
            while (zeros-- > 0 && i < nn) lengths[i++] = 0;
        }
    }
    return table->Build(lengths);
}

bool ReadCLengths(BitReader& in, const Huffman& pt, Huffman* table) {
    unsigned n = in.Get(kCBits);
    if (n == 0) {
        table->Constant(in.Get(kCBits));
        return true;
    }
    if (n > kNc) return false;
    std::vector<uint8_t> lengths(kNc, 0);
    unsigned i = 0;
    while (i < n) {
        int c = pt.Decode(in);
        if (c < 0 || c >= static_cast<int>(kNt)) return false;
        if (c <= 2) {
            int zeros = c == 0   ? 1
                        : c == 1 ? static_cast<int>(in.Get(4)) + 3
                                 : static_cast<int>(in.Get(kCBits)) + 20;
            if (i + zeros > kNc) return false;
            while (zeros-- > 0) lengths[i++] = 0;
        } else {
            lengths[i++] = static_cast<uint8_t>(c - 2);
        }
    }
    return table->Build(lengths);
}

bool CopyMatch(Bytes* out, size_t distance, size_t length, size_t size) {
    if (distance >= out->size() || out->size() + length > size) return false;
    size_t from = out->size() - distance - 1;
    for (size_t k = 0; k < length; ++k) out->push_back((*out)[from + k]);
    return true;
}

std::string MethodName(uint8_t method) {
    return method == 0 ? "Stored" : "Method" + std::to_string(method);
}

uint32_t Le(const uint8_t* p, int n) {
    uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

int Arj_DecodeLzh(const uint8_t* data, size_t in_size, size_t size, Bytes* out) {
    BitReader in(data, in_size);
    out->clear();
    out->reserve(std::min<size_t>(size, 64u << 20));
    Huffman c_table, p_table, t_table;
    unsigned block = 0;
    while (out->size() < size) {
        if (block == 0) {
            block = in.Get(16);
            if (!ReadPtLengths(in, kNt, kTBits, 3, &t_table) ||
                !ReadCLengths(in, t_table, &c_table) ||
                !ReadPtLengths(in, kNp, kPBits, -1, &p_table))
                return kErrBrokenData;
            if (block == 0 || in.Overrun()) return kErrBrokenData;
        }
        --block;
        int c = c_table.Decode(in);
        if (c < 0 || c >= static_cast<int>(kNc)) return kErrBrokenData;
        if (c <= 255) {
            out->push_back(static_cast<uint8_t>(c));
        } else {
            size_t length = static_cast<size_t>(c) - 253;
            int p = p_table.Decode(in);
            if (p < 0 || p >= static_cast<int>(kNp)) return kErrBrokenData;
            size_t distance = p == 0 ? 0 : (1u << (p - 1)) + in.Get(static_cast<unsigned>(p - 1));
            if (!CopyMatch(out, distance, length, size)) return kErrBrokenData;
        }
        if (in.Overrun()) return kErrBrokenData;
    }
    return kOk;
}

int Arj_DecodeFastest(const uint8_t* data, size_t in_size, size_t size, Bytes* out) {
    BitReader in(data, in_size);
    out->clear();
    out->reserve(std::min<size_t>(size, 64u << 20));
    // Lengths and distances are Elias-gamma-like: a unary prefix picks the width of the rest.
    auto read_code = [&in](unsigned start, unsigned stop) {
        unsigned width = start, plus = 0, power = 1u << start;
        while (width < stop && in.Get(1)) {
            plus += power;
            power <<= 1;
            ++width;
        }
        return plus + in.Get(width);
    };
    while (out->size() < size) {
        unsigned c = read_code(0, 7);
        if (c == 0) {
            out->push_back(static_cast<uint8_t>(in.Get(8)));
        } else {
            size_t length = c + 2;
            size_t distance = read_code(9, 13);
            if (!CopyMatch(out, distance, length, size)) return kErrBrokenData;
        }
        if (in.Overrun()) return kErrBrokenData;
    }
    return kOk;
}

int ArjReader::Open(SharedBytes archive) {
    archive_ = std::move(archive);
    entries_.clear();
    places_.clear();
    // The main header is the first header; ARJ's own search for it in front of a
    // self-extractor stub is not needed for .arj files.
    size_t at = 0;
    bool main_header = true;
    while (true) {
        if (archive_.size() - at < 4 || archive_[at] != kId0 || archive_[at + 1] != kId1)
            return main_header ? kErrNotArchive : kErrHeaderCrc;
        size_t basic = Le(&archive_[at + 2], 2);
        at += 4;
        if (basic == 0) break;  // end of archive
        if (basic > kMaxHeader || archive_.size() - at < basic + 4) return kErrHeaderCrc;
        const uint8_t* h = &archive_[at];
        if (Crc32(h, basic) != Le(h + basic, 4)) return kErrHeaderCrc;
        size_t first = h[0];
        if (first < 30 || first > basic) return kErrHeaderCrc;
        at += basic + 4;
        // Extended headers: none are defined that matter here, skip them.
        while (true) {
            if (archive_.size() - at < 2) return kErrHeaderCrc;
            size_t ext = Le(&archive_[at], 2);
            at += 2;
            if (ext == 0) break;
            if (archive_.size() - at < ext + 4) return kErrHeaderCrc;
            at += ext + 4;
        }
        if (main_header) {
            main_header = false;
            continue;
        }
        Entry e;
        uint8_t host = h[3], flags = h[4], method = h[5], type = h[6];
        uint32_t stamp = Le(h + 8, 4);
        e.packed = Le(h + 12, 4);
        e.size = Le(h + 16, 4);
        e.crc = Le(h + 20, 4);
        uint32_t mode = Le(h + 26, 2);
        // ARJ for Unix stores Unix time; the other hosts a DOS date and time.
        if (host == kHostUnix) {
            SetUnixTime(e, stamp);
        } else {
            SetDosStamp(e, static_cast<uint16_t>(stamp >> 16), static_cast<uint16_t>(stamp));
        }
        const char* name = reinterpret_cast<const char*>(h + first);
        size_t name_size = 0;
        while (first + name_size < basic && name[name_size]) ++name_size;
        e.name = EntryName(std::string(name, name_size));
        e.is_dir = type == kTypeDirectory;
        // DOS-like hosts store DOS attributes; the others a Unix-style mode.
        const bool dos_like = host == 0 || host == 6 || host == 11;  // MS-DOS, OS/2, Win32
        e.attr = dos_like ? (mode & 0x27) : FILE_ATTRIBUTE_ARCHIVE;
        if (e.is_dir) e.attr = FILE_ATTRIBUTE_DIRECTORY;
        e.method = MethodName(method);
        if (e.packed > archive_.size() - at) return kErrHeaderCrc;
        if (type != kTypeLabel) {
            e.header_offset = entries_.size();
            entries_.push_back(e);
            places_.push_back({at, method, static_cast<uint8_t>(flags & (kGarbled | kExtFile))});
        }
        (void)kVolume;
        at += static_cast<size_t>(e.packed);
    }
    return kOk;
}

int ArjReader::Extract(size_t index, Bytes* out) {
    out->clear();
    if (index >= entries_.size()) return kErrHeaderCrc;
    const Entry& e = entries_[index];
    const Place& place = places_[index];
    if (e.is_dir) return kOk;
    if (place.flags) return kErrNotSupported;
    const uint8_t* data = archive_.data() + place.offset;
    const size_t packed = static_cast<size_t>(e.packed), size = static_cast<size_t>(e.size);
    int s;
    switch (place.method) {
        case 0:
            out->assign(data, data + packed);
            s = kOk;
            break;
        case 1:
        case 2:
        case 3:
            s = Arj_DecodeLzh(data, packed, size, out);
            break;
        case 4:
            s = Arj_DecodeFastest(data, packed, size, out);
            break;
        default:
            return kErrNotSupported;
    }
    if (s != kOk) return s;
    if (out->size() != size || Crc32(*out) != e.crc) return kErrFileCrc;
    return kOk;
}

static bool SniffArj(const Archive& a) {
    return HasSignature(a, "\x60\xEA", 2);
}
const Format kArjFormat = {"arj", SniffArj, ParseWithReader<ArjReader>,
                           DecodeWithReader<ArjReader>};

}  // namespace arc
