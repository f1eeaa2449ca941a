#include "lzma_decoder.h"

#include <cstdint>
#include <cstring>

namespace arc {
namespace {

// Sizes come from headers: reserve what a sane archive needs, let larger outputs grow, so a
// forged size cannot make us ask for gigabytes up front.
const size_t kReserveLimit = 64u << 20;
size_t Reservation(uint64_t size) {
    return size < kReserveLimit ? static_cast<size_t>(size) : kReserveLimit;
}

const int kNumStates = 12;
const int kPosStatesMax = 16;
const uint16_t kProbInit = 1024;

class RangeDecoder {
public:
    bool Init(const uint8_t* in, size_t size) {
        p_ = in;
        end_ = in + size;
        if (size < 5 || in[0] != 0) return false;
        code_ = 0;
        for (int i = 1; i < 5; ++i) code_ = (code_ << 8) | in[i];
        p_ += 5;
        range_ = 0xFFFFFFFFu;
        overrun_ = false;
        return true;
    }
    unsigned Bit(uint16_t* prob) {
        uint32_t bound = (range_ >> 11) * *prob;
        unsigned bit;
        if (code_ < bound) {
            range_ = bound;
            *prob = static_cast<uint16_t>(*prob + ((2048 - *prob) >> 5));
            bit = 0;
        } else {
            range_ -= bound;
            code_ -= bound;
            *prob = static_cast<uint16_t>(*prob - (*prob >> 5));
            bit = 1;
        }
        Normalize();
        return bit;
    }
    uint32_t Direct(int count) {
        uint32_t result = 0;
        while (count-- > 0) {
            range_ >>= 1;
            uint32_t bit = code_ >= range_ ? 1 : 0;
            if (bit) code_ -= range_;
            result = (result << 1) | bit;
            Normalize();
        }
        return result;
    }
    unsigned Tree(uint16_t* probs, int bits) {
        unsigned m = 1;
        for (int i = 0; i < bits; ++i) m = (m << 1) | Bit(probs + m);
        return m - (1u << bits);
    }
    unsigned ReverseTree(uint16_t* probs, int bits) {
        unsigned m = 1, symbol = 0;
        for (int i = 0; i < bits; ++i) {
            unsigned bit = Bit(probs + m);
            m = (m << 1) | bit;
            symbol |= bit << i;
        }
        return symbol;
    }
    // A stream that needed bytes past its end is damaged.
    bool Overrun() const { return overrun_; }

private:
    void Normalize() {
        if (range_ < (1u << 24)) {
            range_ <<= 8;
            code_ = (code_ << 8) | NextByte();
        }
    }
    uint8_t NextByte() {
        if (p_ < end_) return *p_++;
        overrun_ = true;
        return 0;
    }
    const uint8_t* p_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint32_t range_ = 0, code_ = 0;
    bool overrun_ = false;
};

struct LengthModel {
    uint16_t choice, choice2;
    uint16_t low[kPosStatesMax][8];
    uint16_t mid[kPosStatesMax][8];
    uint16_t high[256];
    void Reset() {
        choice = choice2 = kProbInit;
        for (auto& row : low)
            for (auto& p : row) p = kProbInit;
        for (auto& row : mid)
            for (auto& p : row) p = kProbInit;
        for (auto& p : high) p = kProbInit;
    }
    unsigned Decode(RangeDecoder& rc, unsigned pos_state) {
        if (!rc.Bit(&choice)) return rc.Tree(low[pos_state], 3);
        if (!rc.Bit(&choice2)) return 8 + rc.Tree(mid[pos_state], 3);
        return 16 + rc.Tree(high, 8);
    }
};

class LzmaDecoder {
public:
    bool SetProps(uint8_t d) {
        if (d >= 9 * 5 * 5) return false;
        lc_ = d % 9;
        d /= 9;
        lp_ = d % 5;
        pb_ = d / 5;
        literal_.assign(0x300u << (lc_ + lp_), kProbInit);
        return true;
    }
    void ResetState() {
        std::fill(literal_.begin(), literal_.end(), kProbInit);
        for (auto* table : {&is_match_[0][0], &is_rep0_long_[0][0]})
            for (int i = 0; i < kNumStates * kPosStatesMax; ++i) table[i] = kProbInit;
        for (int i = 0; i < kNumStates; ++i)
            is_rep_[i] = is_rep_g0_[i] = is_rep_g1_[i] = is_rep_g2_[i] = kProbInit;
        for (auto& row : pos_slot_)
            for (auto& p : row) p = kProbInit;
        for (auto& p : pos_special_) p = kProbInit;
        for (auto& p : align_) p = kProbInit;
        len_.Reset();
        rep_len_.Reset();
        for (auto& r : reps_) r = 0;
        state_ = 0;
    }
    // Decodes until `limit` bytes are in out (or an end marker when allowed).
    int Run(RangeDecoder& rc, Bytes* out, size_t dict_start, size_t limit, bool allow_end_marker) {
        Bytes& o = *out;
        const unsigned pb_mask = (1u << pb_) - 1, lp_mask = (1u << lp_) - 1;
        while (o.size() < limit) {
            const size_t pos = o.size() - dict_start;
            const unsigned pos_state = pos & pb_mask;
            if (rc.Overrun()) return kErrBrokenData;
            if (!rc.Bit(&is_match_[state_][pos_state])) {
                DecodeLiteral(rc, o, pos, dict_start, lp_mask);
                continue;
            }
            unsigned len;
            if (!rc.Bit(&is_rep_[state_])) {
                reps_[3] = reps_[2];
                reps_[2] = reps_[1];
                reps_[1] = reps_[0];
                len = len_.Decode(rc, pos_state);
                state_ = state_ < 7 ? 7 : 10;
                uint32_t dist = DecodeDistance(rc, len);
                if (dist == 0xFFFFFFFFu) return allow_end_marker ? kOk : kErrBrokenData;
                reps_[0] = dist;
            } else {
                if (pos == 0) return kErrBrokenData;
                if (!rc.Bit(&is_rep_g0_[state_])) {
                    if (!rc.Bit(&is_rep0_long_[state_][pos_state])) {
                        state_ = state_ < 7 ? 9 : 11;
                        if (reps_[0] >= pos) return kErrBrokenData;
                        o.push_back(o[o.size() - reps_[0] - 1]);
                        continue;
                    }
                } else {
                    uint32_t dist;
                    if (!rc.Bit(&is_rep_g1_[state_])) {
                        dist = reps_[1];
                    } else {
                        if (!rc.Bit(&is_rep_g2_[state_])) {
                            dist = reps_[2];
                        } else {
                            dist = reps_[3];
                            reps_[3] = reps_[2];
                        }
                        reps_[2] = reps_[1];
                    }
                    reps_[1] = reps_[0];
                    reps_[0] = dist;
                }
                len = rep_len_.Decode(rc, pos_state);
                state_ = state_ < 7 ? 8 : 11;
            }
            len += 2;
            if (reps_[0] >= pos || o.size() + len > limit) return kErrBrokenData;
            size_t from = o.size() - reps_[0] - 1;
            for (unsigned i = 0; i < len; ++i) o.push_back(o[from + i]);
        }
        return rc.Overrun() ? kErrBrokenData : kOk;
    }

private:
    void DecodeLiteral(RangeDecoder& rc, Bytes& o, size_t pos, size_t dict_start,
                       unsigned lp_mask) {
        unsigned prev = pos > 0 ? o.back() : 0;
        unsigned lit_state = ((pos & lp_mask) << lc_) + (prev >> (8 - lc_));
        uint16_t* probs = &literal_[0x300u * lit_state];
        unsigned symbol = 1;
        if (state_ >= 7 && reps_[0] < pos) {
            unsigned match_byte = o[o.size() - reps_[0] - 1];
            do {
                unsigned match_bit = (match_byte >> 7) & 1;
                match_byte <<= 1;
                unsigned bit = rc.Bit(probs + ((1 + match_bit) << 8) + symbol);
                symbol = (symbol << 1) | bit;
                if (match_bit != bit) break;
            } while (symbol < 0x100);
        }
        while (symbol < 0x100) symbol = (symbol << 1) | rc.Bit(probs + symbol);
        o.push_back(static_cast<uint8_t>(symbol));
        (void)dict_start;
        state_ = state_ < 4 ? 0 : state_ < 10 ? state_ - 3 : state_ - 6;
    }
    uint32_t DecodeDistance(RangeDecoder& rc, unsigned len) {
        unsigned len_state = len < 4 ? len : 3;
        unsigned slot = rc.Tree(pos_slot_[len_state], 6);
        if (slot < 4) return slot;
        unsigned direct = (slot >> 1) - 1;
        uint32_t dist = (2u | (slot & 1)) << direct;
        if (slot < 14) return dist + rc.ReverseTree(pos_special_ + dist - slot - 1, direct);
        dist += rc.Direct(direct - 4) << 4;
        return dist + rc.ReverseTree(align_, 4);
    }

    unsigned lc_ = 3, lp_ = 0, pb_ = 2;
    std::vector<uint16_t> literal_;
    uint16_t is_match_[kNumStates][kPosStatesMax];
    uint16_t is_rep0_long_[kNumStates][kPosStatesMax];
    uint16_t is_rep_[kNumStates], is_rep_g0_[kNumStates], is_rep_g1_[kNumStates],
        is_rep_g2_[kNumStates];
    uint16_t pos_slot_[4][64];
    uint16_t pos_special_[115];
    uint16_t align_[16];
    LengthModel len_, rep_len_;
    uint32_t reps_[4];
    unsigned state_ = 0;
};

}  // namespace

int Lzma_Decode(const uint8_t* props, size_t props_size, const uint8_t* in, size_t in_size,
                uint64_t out_size, Bytes* out) {
    if (props_size < 5 || out_size > SIZE_MAX / 2) return kErrNotSupported;
    LzmaDecoder decoder;
    if (!decoder.SetProps(props[0])) return kErrNotSupported;
    decoder.ResetState();
    RangeDecoder rc;
    if (!rc.Init(in, in_size)) return kErrBrokenData;
    const size_t start = out->size();
    out->reserve(start + Reservation(out_size));
    return decoder.Run(rc, out, start, start + out_size, true) == kOk &&
                   out->size() == start + out_size
               ? kOk
               : kErrBrokenData;
}

int Lzma2_Decode(const uint8_t* props, size_t props_size, const uint8_t* in, size_t in_size,
                 uint64_t out_size, Bytes* out) {
    if (props_size < 1 || props[0] > 40 || out_size > SIZE_MAX / 2) return kErrNotSupported;
    LzmaDecoder decoder;
    bool have_props = false;
    size_t dict_start = out->size();
    const size_t limit = out->size() + out_size;
    out->reserve(dict_start + Reservation(out_size));
    size_t i = 0;
    while (true) {
        if (i >= in_size) return kErrBrokenData;
        const unsigned control = in[i++];
        if (control == 0) break;
        if (control == 1 || control == 2) {
            if (i + 2 > in_size) return kErrBrokenData;
            size_t size = ((in[i] << 8) | in[i + 1]) + 1u;
            i += 2;
            if (control == 1) dict_start = out->size();
            if (i + size > in_size || out->size() + size > limit) return kErrBrokenData;
            out->insert(out->end(), in + i, in + i + size);
            i += size;
            continue;
        }
        if (control < 0x80 || i + 4 > in_size) return kErrBrokenData;
        size_t unpacked = ((control & 0x1Fu) << 16) + (in[i] << 8) + in[i + 1] + 1u;
        size_t packed = ((in[i + 2] << 8) | in[i + 3]) + 1u;
        i += 4;
        const unsigned reset = (control >> 5) & 3;
        if (reset == 3) dict_start = out->size();
        if (reset >= 2) {
            if (i >= in_size || !decoder.SetProps(in[i++])) return kErrBrokenData;
            have_props = true;
        }
        if (!have_props) return kErrBrokenData;
        if (reset >= 1) decoder.ResetState();
        if (i + packed > in_size || out->size() + unpacked > limit) return kErrBrokenData;
        RangeDecoder rc;
        if (!rc.Init(in + i, packed)) return kErrBrokenData;
        int s = decoder.Run(rc, out, dict_start, out->size() + unpacked, false);
        if (s != kOk) return s;
        i += packed;
    }
    return out->size() == limit ? kOk : kErrBrokenData;
}

}  // namespace arc
