#include "lzh_codec.h"

#include <algorithm>
#include <cstring>
#include <queue>

namespace arc {

namespace {

const int kNC = 510;  // 256 literals + match lengths 3..256
const int kNT = 19;
const int kCBit = 9;
const int kTBit = 5;
const int kMaxBits = 16;

int PBitFor(int dicbit) {
    return dicbit == 13 ? 4 : 5;
}

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(int k, uint32_t v) {
        if (k == 0) return;
        buf_ = (buf_ << k) | (v & ((1u << k) - 1));
        bits_ += k;
        while (bits_ >= 8) {
            bits_ -= 8;
            out_.push_back(uint8_t(buf_ >> bits_));
        }
    }
    void Flush() {
        if (bits_ > 0) Put(8 - bits_, 0);
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t buf_ = 0;
    int bits_ = 0;
};

// Huffman code lengths limited to 16 bits; returns the number of symbols in use. Lengths of
// a single used symbol stay zero (the block then stores the symbol itself).
int MakeLengths(const uint32_t* freq_in, int n, uint8_t* len) {
    std::vector<uint32_t> freq(freq_in, freq_in + n);
    std::memset(len, 0, size_t(n));
    int used = 0;
    for (int i = 0; i < n; ++i) used += freq[i] != 0;
    if (used < 2) return used;
    for (;;) {
        struct Node {
            uint64_t weight;
            int index;
        };
        auto heavier = [](const Node& a, const Node& b) {
            return a.weight != b.weight ? a.weight > b.weight : a.index > b.index;
        };
        std::priority_queue<Node, std::vector<Node>, decltype(heavier)> heap(heavier);
        std::vector<int> parent(size_t(2 * n), -1);
        for (int i = 0; i < n; ++i)
            if (freq[i]) heap.push({freq[i], i});
        int next = n;
        while (heap.size() > 1) {
            Node a = heap.top();
            heap.pop();
            Node b = heap.top();
            heap.pop();
            parent[size_t(a.index)] = next;
            parent[size_t(b.index)] = next;
            heap.push({a.weight + b.weight, next++});
        }
        int longest = 0;
        for (int i = 0; i < n; ++i) {
            if (!freq[i]) continue;
            int depth = 0;
            for (int k = parent[size_t(i)]; k >= 0; k = parent[size_t(k)]) ++depth;
            len[i] = uint8_t(std::min(depth, 255));
            longest = std::max(longest, depth);
        }
        if (longest <= kMaxBits) return used;
        // Flatten the distribution and try again; rare, and the result is still a complete code.
        for (auto& f : freq)
            if (f) f = (f >> 1) | 1;
    }
}

void MakeCodes(const uint8_t* len, int n, uint16_t* code) {
    int count[kMaxBits + 1] = {0};
    for (int i = 0; i < n; ++i) count[len[i]]++;
    count[0] = 0;
    uint32_t next[kMaxBits + 2] = {0}, c = 0;
    for (int b = 1; b <= kMaxBits; ++b) {
        c = (c + count[b - 1]) << 1;
        next[b] = c;
    }
    for (int i = 0; i < n; ++i) code[i] = len[i] ? uint16_t(next[len[i]]++) : 0;
}

int FirstUsed(const uint32_t* freq, int n) {
    for (int i = 0; i < n; ++i)
        if (freq[i]) return i;
    return 0;
}

int BitLength(uint32_t v) {
    int b = 0;
    while (v) {
        ++b;
        v >>= 1;
    }
    return b;
}

class BlockWriter {
public:
    BlockWriter(BitWriter& out, int dicbit) : out_(out), np_(dicbit + 1), pbit_(PBitFor(dicbit)) {}

    void Write(const std::vector<uint16_t>& syms, const std::vector<uint16_t>& dists) {
        uint32_t c_freq[kNC] = {0}, p_freq[32] = {0};
        size_t d = 0;
        for (uint16_t s : syms) {
            c_freq[s]++;
            if (s >= 256) p_freq[BitLength(dists[d++])]++;
        }
        out_.Put(16, uint32_t(syms.size()));
        if (MakeLengths(c_freq, kNC, c_len_) >= 2) {
            MakeCodes(c_len_, kNC, c_code_);
            WriteCTables();
        } else {
            out_.Put(kTBit, 0);
            out_.Put(kTBit, 0);
            out_.Put(kCBit, 0);
            out_.Put(kCBit, uint32_t(FirstUsed(c_freq, kNC)));
        }
        if (MakeLengths(p_freq, np_, pt_len_) >= 2) {
            MakeCodes(pt_len_, np_, pt_code_);
            WritePtLen(np_, pbit_, -1);
        } else {
            out_.Put(pbit_, 0);
            out_.Put(pbit_, uint32_t(FirstUsed(p_freq, np_)));
        }
        d = 0;
        for (uint16_t s : syms) {
            out_.Put(c_len_[s], c_code_[s]);
            if (s < 256) continue;
            uint32_t p = dists[d++];
            int j = BitLength(p);
            out_.Put(pt_len_[j], pt_code_[j]);
            if (j > 1) out_.Put(j - 1, p - (1u << (j - 1)));
        }
    }

private:
    int TrimmedC() const {
        int n = kNC;
        while (n > 0 && c_len_[n - 1] == 0) --n;
        return n;
    }

    // The run-length coding of the C lengths; `emit` is false while counting frequencies.
    template <typename Fn>
    void WalkCLengths(Fn&& emit) const {
        int n = TrimmedC(), i = 0;
        while (i < n) {
            int k = c_len_[i++];
            if (k != 0) {
                emit(k + 2, -1, 0);
                continue;
            }
            int run = 1;
            while (i < n && c_len_[i] == 0) ++i, ++run;
            if (run <= 2) {
                for (int r = 0; r < run; ++r) emit(0, -1, 0);
            } else if (run <= 18) {
                emit(1, 4, run - 3);
            } else if (run == 19) {
                emit(0, -1, 0);
                emit(1, 4, 15);
            } else {
                emit(2, kCBit, run - 20);
            }
        }
    }

    void WriteCTables() {
        uint32_t t_freq[kNT] = {0};
        WalkCLengths([&](int sym, int, int) { t_freq[sym]++; });
        if (MakeLengths(t_freq, kNT, pt_len_) >= 2) {
            MakeCodes(pt_len_, kNT, pt_code_);
            WritePtLen(kNT, kTBit, 3);
        } else {
            out_.Put(kTBit, 0);
            out_.Put(kTBit, uint32_t(FirstUsed(t_freq, kNT)));
        }
        out_.Put(kCBit, uint32_t(TrimmedC()));
        WalkCLengths([&](int sym, int bits, int value) {
            out_.Put(pt_len_[sym], pt_code_[sym]);
            if (bits > 0) out_.Put(bits, uint32_t(value));
        });
    }

    void WritePtLen(int nn, int nbit, int zero_run_at) {
        int n = nn;
        while (n > 0 && pt_len_[n - 1] == 0) --n;
        out_.Put(nbit, uint32_t(n));
        int i = 0;
        while (i < n) {
            int k = pt_len_[i++];
            if (k <= 6) {
                out_.Put(3, uint32_t(k));
            } else {
                out_.Put(k - 3, (1u << (k - 3)) - 2);
            }
            if (i == zero_run_at) {
                while (i < 6 && pt_len_[i] == 0) ++i;
                out_.Put(2, uint32_t(i - 3));
            }
        }
    }

    BitWriter& out_;
    int np_, pbit_;
    uint8_t c_len_[kNC];
    uint16_t c_code_[kNC];
    uint8_t pt_len_[32];
    uint16_t pt_code_[32];
};

}  // namespace

std::vector<uint8_t> Lzh_Encode(const uint8_t* src, size_t n, int dicbit) {
    std::vector<uint8_t> out;
    BitWriter bits(out);
    BlockWriter block(bits, dicbit);
    const size_t kBlockSymbols = 0x4000;
    const size_t kHashSize = 1 << 15, kMaxMatch = 256, kChain = 96;
    // Distances stop one short of the window so no decoder meets the wrap-around edge case.
    const size_t window = (size_t(1) << dicbit) - 1, wmask = (size_t(1) << dicbit) - 1;
    std::vector<int64_t> head(kHashSize, -1), prev(wmask + 1, -1);
    auto hash = [&](size_t i) {
        return ((src[i] << 10) ^ (src[i + 1] << 5) ^ src[i + 2]) & (kHashSize - 1);
    };
    auto insert = [&](size_t i) {
        if (i + 2 >= n) return;
        size_t h = hash(i);
        prev[i & wmask] = head[h];
        head[h] = int64_t(i);
    };
    std::vector<uint16_t> syms, dists;
    syms.reserve(kBlockSymbols);
    size_t i = 0;
    while (i < n) {
        size_t best_len = 0, best_dist = 0;
        if (i + 2 < n) {
            size_t limit = std::min(kMaxMatch, n - i);
            int64_t cand = head[hash(i)];
            for (size_t steps = 0; cand >= 0 && steps < kChain; ++steps) {
                size_t dist = i - size_t(cand);
                if (dist > window) break;
                const uint8_t *a = src + i, *b = src + cand;
                if (b[best_len] == a[best_len] || best_len == 0) {
                    size_t l = 0;
                    while (l < limit && a[l] == b[l]) ++l;
                    if (l > best_len) {
                        best_len = l;
                        best_dist = dist;
                        if (l == limit) break;
                    }
                }
                int64_t next = prev[size_t(cand) & wmask];
                if (next >= cand) break;  // the slot was reused by a newer position
                cand = next;
            }
        }
        if (best_len >= 3) {
            syms.push_back(uint16_t(256 + best_len - 3));
            dists.push_back(uint16_t(best_dist - 1));
            for (size_t k = 0; k < best_len; ++k) insert(i + k);
            i += best_len;
        } else {
            syms.push_back(src[i]);
            insert(i);
            ++i;
        }
        if (syms.size() == kBlockSymbols) {
            block.Write(syms, dists);
            syms.clear();
            dists.clear();
        }
    }
    if (!syms.empty()) block.Write(syms, dists);
    bits.Flush();
    return out;
}

}  // namespace arc
