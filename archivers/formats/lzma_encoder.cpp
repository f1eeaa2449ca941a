#include "lzma_encoder.h"

namespace arc {
namespace {

const uint16_t kProbInit = 1024;
const unsigned kLc = 3, kLp = 0, kPb = 2;
const unsigned kMatchMax = 273;
const unsigned kChainDepth = 48;
const uint32_t kDictSize = 1u << 22;

class RangeEncoder {
public:
    explicit RangeEncoder(Bytes* out) : out_(out) {}
    void Bit(uint16_t* prob, unsigned bit) {
        uint32_t bound = (range_ >> 11) * *prob;
        if (!bit) {
            range_ = bound;
            *prob = static_cast<uint16_t>(*prob + ((2048 - *prob) >> 5));
        } else {
            low_ += bound;
            range_ -= bound;
            *prob = static_cast<uint16_t>(*prob - (*prob >> 5));
        }
        while (range_ < (1u << 24)) {
            range_ <<= 8;
            ShiftLow();
        }
    }
    void Direct(uint32_t value, int count) {
        while (count-- > 0) {
            range_ >>= 1;
            if ((value >> count) & 1) low_ += range_;
            while (range_ < (1u << 24)) {
                range_ <<= 8;
                ShiftLow();
            }
        }
    }
    void Tree(uint16_t* probs, int bits, unsigned symbol) {
        unsigned m = 1;
        for (int i = bits - 1; i >= 0; --i) {
            unsigned bit = (symbol >> i) & 1;
            Bit(probs + m, bit);
            m = (m << 1) | bit;
        }
    }
    void ReverseTree(uint16_t* probs, int bits, unsigned symbol) {
        unsigned m = 1;
        for (int i = 0; i < bits; ++i) {
            unsigned bit = (symbol >> i) & 1;
            Bit(probs + m, bit);
            m = (m << 1) | bit;
        }
    }
    void Flush() {
        for (int i = 0; i < 5; ++i) ShiftLow();
    }

private:
    // Carries propagate into bytes already counted but not yet written (cache + 0xFF run).
    void ShiftLow() {
        if (static_cast<uint32_t>(low_) < 0xFF000000u || (low_ >> 32) != 0) {
            uint8_t carry = static_cast<uint8_t>(low_ >> 32);
            uint8_t temp = cache_;
            do {
                out_->push_back(static_cast<uint8_t>(temp + carry));
                temp = 0xFF;
            } while (--cache_size_ != 0);
            cache_ = static_cast<uint8_t>(low_ >> 24);
        }
        ++cache_size_;
        low_ = (low_ & 0x00FFFFFFu) << 8;
    }
    Bytes* out_;
    uint64_t low_ = 0;
    uint32_t range_ = 0xFFFFFFFFu;
    uint8_t cache_ = 0;
    uint64_t cache_size_ = 1;
};

struct LengthModel {
    uint16_t choice = kProbInit, choice2 = kProbInit;
    uint16_t low[16][8], mid[16][8], high[256];
    LengthModel() {
        for (auto& row : low)
            for (auto& p : row) p = kProbInit;
        for (auto& row : mid)
            for (auto& p : row) p = kProbInit;
        for (auto& p : high) p = kProbInit;
    }
    void Encode(RangeEncoder& rc, unsigned len, unsigned pos_state) {
        if (len < 8) {
            rc.Bit(&choice, 0);
            rc.Tree(low[pos_state], 3, len);
        } else if (len < 16) {
            rc.Bit(&choice, 1);
            rc.Bit(&choice2, 0);
            rc.Tree(mid[pos_state], 3, len - 8);
        } else {
            rc.Bit(&choice, 1);
            rc.Bit(&choice2, 1);
            rc.Tree(high, 8, len - 16);
        }
    }
};

class Encoder {
public:
    Encoder(const uint8_t* data, size_t size, Bytes* out)
        : data_(data),
          size_(size),
          rc_(out),
          literal_(0x300u << (kLc + kLp), kProbInit),
          head_(1u << 16, -1),
          prev_(size, -1) {
        for (auto* table : {&is_match_[0][0], &is_rep0_long_[0][0]})
            for (int i = 0; i < 12 * 16; ++i) table[i] = kProbInit;
        for (int i = 0; i < 12; ++i)
            is_rep_[i] = is_rep_g0_[i] = is_rep_g1_[i] = is_rep_g2_[i] = kProbInit;
        for (auto& row : pos_slot_)
            for (auto& p : row) p = kProbInit;
        for (auto& p : pos_special_) p = kProbInit;
        for (auto& p : align_) p = kProbInit;
    }

    void Run() {
        size_t pos = 0;
        while (pos < size_) {
            unsigned pos_state = pos & ((1u << kPb) - 1);
            unsigned rep_len = pos > rep0_ ? MatchLength(pos, pos - rep0_ - 1) : 0;
            uint32_t dist = 0;
            unsigned len = FindMatch(pos, &dist);
            if (rep_len >= 2 && rep_len + 1 >= len) {
                rc_.Bit(&is_match_[state_][pos_state], 1);
                rc_.Bit(&is_rep_[state_], 1);
                rc_.Bit(&is_rep_g0_[state_], 0);
                rc_.Bit(&is_rep0_long_[state_][pos_state], 1);
                rep_len_.Encode(rc_, rep_len - 2, pos_state);
                state_ = state_ < 7 ? 8 : 11;
                Advance(pos, rep_len);
                pos += rep_len;
            } else if (len >= 3 || (len == 2 && dist < 128)) {
                rc_.Bit(&is_match_[state_][pos_state], 1);
                rc_.Bit(&is_rep_[state_], 0);
                len_.Encode(rc_, len - 2, pos_state);
                EncodeDistance(dist, len - 2);
                reps_[3] = reps_[2];
                reps_[2] = reps_[1];
                reps_[1] = rep0_;
                rep0_ = dist;
                state_ = state_ < 7 ? 7 : 10;
                Advance(pos, len);
                pos += len;
            } else {
                rc_.Bit(&is_match_[state_][pos_state], 0);
                EncodeLiteral(pos);
                state_ = state_ < 4 ? 0 : state_ < 10 ? state_ - 3 : state_ - 6;
                Advance(pos, 1);
                ++pos;
            }
        }
        rc_.Flush();
    }

private:
    unsigned Hash(size_t pos) const {
        return ((data_[pos] << 8) ^ (data_[pos + 1] << 4) ^ data_[pos + 2] ^ (data_[pos] >> 3)) &
               0xFFFF;
    }
    void Insert(size_t pos) {
        if (pos + 3 > size_) return;
        unsigned h = Hash(pos);
        prev_[pos] = head_[h];
        head_[h] = static_cast<int64_t>(pos);
    }
    void Advance(size_t pos, unsigned count) {
        for (unsigned i = 0; i < count; ++i) Insert(pos + i);
    }
    unsigned MatchLength(size_t pos, size_t from) const {
        unsigned limit = static_cast<unsigned>(std::min<size_t>(kMatchMax, size_ - pos));
        unsigned n = 0;
        while (n < limit && data_[from + n] == data_[pos + n]) ++n;
        return n;
    }
    unsigned FindMatch(size_t pos, uint32_t* dist) {
        if (pos + 3 > size_) return 0;
        unsigned best = 0;
        int64_t candidate = head_[Hash(pos)];
        for (unsigned depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
            size_t from = static_cast<size_t>(candidate);
            if (pos - from > kDictSize) break;
            unsigned n = MatchLength(pos, from);
            if (n > best) {
                best = n;
                *dist = static_cast<uint32_t>(pos - from - 1);
                if (n == kMatchMax) break;
            }
            candidate = prev_[from];
        }
        return best;
    }
    void EncodeLiteral(size_t pos) {
        unsigned prev = pos > 0 ? data_[pos - 1] : 0;
        unsigned lit_state = ((pos & ((1u << kLp) - 1)) << kLc) + (prev >> (8 - kLc));
        uint16_t* probs = &literal_[0x300u * lit_state];
        unsigned symbol = data_[pos] | 0x100;
        if (state_ >= 7) {
            unsigned match_byte = data_[pos - rep0_ - 1];
            unsigned offset = 0x100;
            unsigned m = 1;
            // Mirrors the decoder: matched bits use the upper tables until the first difference.
            for (int i = 7; i >= 0; --i) {
                unsigned bit = (symbol >> i) & 1;
                unsigned match_bit = (match_byte >> i) & 1;
                if (offset) {
                    rc_.Bit(probs + ((1 + match_bit) << 8) + m, bit);
                    if (match_bit != bit) offset = 0;
                } else {
                    rc_.Bit(probs + m, bit);
                }
                m = (m << 1) | bit;
            }
            return;
        }
        rc_.Tree(probs, 8, data_[pos]);
    }
    void EncodeDistance(uint32_t dist, unsigned len) {
        unsigned len_state = len < 4 ? len : 3;
        unsigned slot;
        if (dist < 4) {
            slot = dist;
        } else {
            unsigned top = 31 - __builtin_clz(dist);
            slot = 2 * top + ((dist >> (top - 1)) & 1);
        }
        rc_.Tree(pos_slot_[len_state], 6, slot);
        if (slot < 4) return;
        unsigned direct = (slot >> 1) - 1;
        uint32_t base = (2u | (slot & 1)) << direct;
        uint32_t reduced = dist - base;
        if (slot < 14) {
            rc_.ReverseTree(pos_special_ + base - slot - 1, direct, reduced);
        } else {
            rc_.Direct(reduced >> 4, direct - 4);
            rc_.ReverseTree(align_, 4, reduced & 15);
        }
    }

    const uint8_t* data_;
    size_t size_;
    RangeEncoder rc_;
    std::vector<uint16_t> literal_;
    std::vector<int64_t> head_, prev_;
    uint16_t is_match_[12][16], is_rep0_long_[12][16];
    uint16_t is_rep_[12], is_rep_g0_[12], is_rep_g1_[12], is_rep_g2_[12];
    uint16_t pos_slot_[4][64];
    uint16_t pos_special_[115];
    uint16_t align_[16];
    LengthModel len_, rep_len_;
    uint32_t rep0_ = 0, reps_[4] = {0, 0, 0, 0};
    unsigned state_ = 0;
};

}  // namespace

void Lzma_Encode(const uint8_t* data, size_t size, Bytes* out, Bytes* props) {
    uint32_t dict = 1u << 16;
    while (dict < size && dict < kDictSize) dict <<= 1;
    props->assign({static_cast<uint8_t>((kPb * 5 + kLp) * 9 + kLc), static_cast<uint8_t>(dict),
                   static_cast<uint8_t>(dict >> 8), static_cast<uint8_t>(dict >> 16),
                   static_cast<uint8_t>(dict >> 24)});
    Encoder encoder(data, size, out);
    encoder.Run();
}

}  // namespace arc
