#include "package/EntropyDecoder.h"

#include <cstring>

#include "package/InverseTransforms.h"

namespace {
using i16 = std::int16_t;

// The stored bits, most significant first; positions past the end read as zero bits.
struct BitSource {
    const u8* bytes;
    u32 length;
    u32 position = 0;  // in bits

    // The 32 bits from the byte holding the next bit on; the next bit is bit 31 - (position & 7).
    u32 Peek() const {
        u32 at = position >> 3;
        if (at + 4 <= length) {
            const u8* p = bytes + at;
            return static_cast<u32>(p[0]) << 24 | static_cast<u32>(p[1]) << 16 | static_cast<u32>(p[2]) << 8 | p[3];
        }
        u32 word = 0;
        for (u32 i = at; i < at + 4; ++i) word = word << 8 | (i < length ? bytes[i] : 0);
        return word;
    }
};

// Division by the model's total, which changes with every symbol, through a reciprocal
// worked out when the symbol starts: the division for it then stands on no path from one
// symbol to the next, and the quotient costs a multiplication.
#if defined(__SIZEOF_INT128__)
// With a 64-bit reciprocal, ceil(2^64 / total), the product gives the exact quotient of any
// value below 2^30: the excess is below value / 2^64, too little to reach the next integer.
struct Divider {
    u64 reciprocal;
    explicit Divider(u32 total) : reciprocal(~u64{0} / total + 1) {}
    u32 Divide(u32 value) const {
        return static_cast<u32>((static_cast<unsigned __int128>(value) * reciprocal) >> 64);
    }
};
#else
// With (2^32 - 1) / total the product falls short of the quotient by at most one, which
// the remainder reveals.
struct Divider {
    u32 total, reciprocal;
    explicit Divider(u32 t) : total(t), reciprocal(0xFFFFFFFFu / t) {}
    u32 Divide(u32 value) const {
        u32 quotient = static_cast<u32>((static_cast<u64>(value) * reciprocal) >> 32);
        if (value - quotient * total >= total) ++quotient;
        return quotient;
    }
};
#endif

// FrequencyModel's table in the decoder's own layout; it makes exactly the same choices.
// Entries are kept by rank, 0 for the top position (the most frequent symbol), so rank r is
// position SymbolCount - 1 - r there. Ranks fall into groups of 16; a cum value is the sum
// of two parts, what the later groups hold and what the group holds from the rank on, so an
// increment changes 16 part sums of its group and at most 16 of the groups instead of every
// cum value below it. Both searches and the update do the same work whatever the rank:
// there is no loop or branch whose outcome depends on it, except for the top group.
constexpr int GroupSize = 16;
constexpr int Groups = (SymbolCount + GroupSize - 1) / GroupSize;  // 17; the last padded
constexpr int Ranks = Groups * GroupSize;

struct DecodingModel {
    // Sums stay below 2^14, so 16 bits hold them with room for the lane tricks below.
    alignas(32) i16 inGroup[Ranks];  // the counts from this rank to the end of its group
    alignas(32) i16 later[Groups];   // the counts of all later groups; 0 for the last
    i16 count[Ranks];                // the padding ranks count 0 and are never found
    u16 symbol[Ranks];
    u32 total;

    DecodingModel() {
        for (int r = 0; r < Ranks; ++r) {
            count[r] = r < SymbolCount ? 1 : 0;
            symbol[r] = static_cast<u16>(r < SymbolCount ? SymbolCount - 1 - r : 0);
        }
        Sum();
    }

    void Sum() {
        u32 sum = 0;
        for (int g = Groups - 1; g >= 0; --g) {
            later[g] = static_cast<i16>(sum);
            for (int r = g * GroupSize + GroupSize - 1; r >= g * GroupSize; --r) {
                sum += count[r];
                inGroup[r] = static_cast<i16>(sum - later[g]);
            }
        }
        total = sum;
    }

    // The rank whose slot holds target / range (below total), and its cum value.
    int Find(u32 target, u32 range, u32* cum) const {
        u32 top = static_cast<u32>(later[0]) * range;
        if (target >= top) {
            // In the top group: compare with the products, no division.
            u32 rest = target - top;
            // Two sums over alternate lanes, so the additions form two short chains.
            int even = 0, odd = 0;
            for (int j = 0; j < GroupSize; j += 2) {
                even += rest < static_cast<u32>(inGroup[j]) * range;
                odd += rest < static_cast<u32>(inGroup[j + 1]) * range;
            }
            int r = even + odd - 1;
            *cum = static_cast<u32>(later[0] + inGroup[r]);
            return r;
        }
        i16 scaled = static_cast<i16>(target / range);
        int g = CountAbove(later, scaled);  // groups whose later sum exceeds scaled lie above the slot
        i16 base = later[g];
        i16 within = static_cast<i16>(scaled - base);
        const i16* part = inGroup + g * GroupSize;
        int above = CountAbove(part, within);
        int r = g * GroupSize + above - 1;
        *cum = static_cast<u32>(base + part[above - 1]);
        return r;
    }

    void Increment(int r) {
        // The symbol gains one and moves up past the entries that count as much as it did;
        // in either case the count that grows is the one at its new rank.
        if (r > 0 && count[r - 1] == count[r]) r = MoveUp(r);
        ++count[r];
        int g = r / GroupSize;
        int last = r - g * GroupSize;
        // Sixteen ones then sixteen zeros: from Ones + 15 - m, lane j reads 1 exactly when j <= m.
        static constexpr i16 Ones[2 * GroupSize] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
        AddRow(later, Ones + GroupSize - g);                             // k < g
        AddRow(inGroup + g * GroupSize, Ones + GroupSize - 1 - last);  // j <= last
        if (++total == FrequencyModel::RescaleTotal) Rescale();
    }

    // Rows of 16 lanes are handled a machine word of lanes at a time. No lane carries into
    // or borrows from the next: all sums stay below 2^14.
    using Word = std::uintptr_t;
    static constexpr int Lanes = sizeof(Word) / sizeof(i16);
    static constexpr Word EveryLane = ~Word{0} / 0xFFFF;  // 1 in every lane

    static void AddRow(i16* row, const i16* add) {
        for (int j = 0; j < GroupSize; j += Lanes) {
            Word a, b;
            std::memcpy(&a, row + j, sizeof a);
            std::memcpy(&b, add + j, sizeof b);
            a += b;
            std::memcpy(row + j, &a, sizeof a);
        }
    }

    // How many lanes of row exceed value: lane + 0x8000 - (value + 1) keeps its top bit
    // exactly when lane > value. The top bits are gathered into the low bit of each lane
    // and summed across the word by a multiplication, which collects them in the top lane.
    static int CountAbove(const i16* row, i16 value) {
        Word top = EveryLane * 0x8000, less = EveryLane * static_cast<Word>(value + 1);
        Word sum = 0;
        for (int j = 0; j < GroupSize; j += Lanes) {
            Word a;
            std::memcpy(&a, row + j, sizeof a);
            sum += (((a | top) - less) & top) >> 15;
        }
        return static_cast<int>((sum * EveryLane) >> (8 * sizeof(Word) - 16));
    }

    __attribute__((noinline)) int MoveUp(int r) {
        // One pass from the rank up: each entry of the equal stretch moves down a rank.
        i16 f = count[r];
        u16 s = symbol[r];
        int to = r;
        do {
            symbol[to] = symbol[to - 1];
            --to;
        } while (to > 0 && count[to - 1] == f);
        symbol[to] = s;
        return to;
    }

    __attribute__((noinline)) void Rescale() {
        for (int r = 0; r < Ranks; ++r) count[r] = static_cast<i16>((count[r] + 1) / 2);
        Sum();
    }
};

// The symbol loop, handing each literal and run to out: codes for EntropyDecode, or the
// bytes they stand for after the move-to-front stage.
template <class Output>
u32 DecodeSymbols(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok, Output& out) {
    BitSource bits{stored, storedLength};
    DecodingModel model;
    // The registers live in locals for the whole block, so none goes through memory
    // between one symbol and the next.
    u32 low = 0, high = 0xFFFF, code = bits.Peek() >> 16;
    bits.position = 16;
    u8 last = 0;
    u32 count = 0;
    bool runLength = false;  // the symbol after a RunSymbol is the length of the run
    *ok = true;
    while (count < capacity) {
        // Doubling the interval one bit at a time falls into two stretches: while the top
        // bits of low and high agree, then while they straddle the middle (low 01..., high
        // 10...). Both are counted up front and done in one shift. A straddling step takes
        // 0x4000 off and doubles, which is x -> 2x - 0x8000; m of them give
        // 2^m (x - 0x8000) + 0x8000, which modulo 2^16 is 2^m x with the top bit flipped.
        u32 peeked = bits.Peek() << (bits.position & 7);  // fetched before the count is known
        u32 differ = low ^ high;
        u32 halves = static_cast<u32>(__builtin_clz((differ << 16) | 0x8000));
        // Bit 14 of the straddling pattern, after the halves, moved to bit 31; ~ has bit 16 set.
        u32 straddle = ((low & ~high) << halves) << 17;
        u32 middles = static_cast<u32>(__builtin_clz(~straddle));
        u32 shift = halves + middles;  // at most 16
        u32 flip = middles ? 0x8000 : 0;
        u32 ones = (1u << shift) - 1;
        low = ((low << shift) ^ flip) & 0xFFFF;
        high = (((high << shift) | ones) ^ flip) & 0xFFFF;
        code = (((code << shift) | ((peeked >> 16) >> (16 - shift))) ^ flip) & 0xFFFF;
        bits.position += shift;

        // A register state no valid stream can reach ends the block, so damaged input
        // never reads outside the model.
        int s = EndSymbol;
        if (code >= low && code <= high) {
            u32 total = model.total;
            Divider divider(total);
            u32 range = high - low + 1;
            // The symbol's slot is (target / range).
            u32 target = (code - low + 1) * total - 1;
            u32 cum;
            int r = model.Find(target, range, &cum);
            u32 prev = cum - static_cast<u32>(model.count[r]);
            // Both bounds from the old low, high first; counts from before the update.
            high = (low + divider.Divide(range * cum) - 1) & 0xFFFF;
            low = (low + divider.Divide(range * prev)) & 0xFFFF;
            s = model.symbol[r];
            model.Increment(r);
        }
        if (runLength) {
            runLength = false;
            u32 n = static_cast<u32>(s) + 8;
            if (count + n >= capacity) {
                *ok = false;
                n = capacity - count - 1;
            }
            out.Run(output + count, last, n);
            count += n;
        } else if (s < 256) {
            last = static_cast<u8>(s);
            out.Literal(output + count++, last);
        } else if (s == EndSymbol) {
            break;
        } else {
            runLength = true;
        }
    }
    return count;
}

struct Codes {
    void Literal(u8* at, u8 code) { *at = code; }
    void Run(u8* at, u8 code, u32 n) { std::memset(at, code, n); }
};

// The move-to-front stage folded into the symbol loop: its work depends on nothing the
// next symbol waits for, so it fills the time the loop spends waiting on its own chain.
struct Bytes {
    MoveToFrontTable table;
    u32* counts;

    void Literal(u8* at, u8 code) {
        u8 value = table.Take(code);
        *at = value;
        ++counts[value];
    }
    void Run(u8* at, u8 code, u32 n) {
        if (code == 0) {
            // Nothing moves: n copies of the first byte.
            u8 value = table.First();
            std::memset(at, value, n);
            counts[value] += n;
            return;
        }
        for (u32 i = 0; i < n; ++i) Literal(at + i, code);
    }
};
}  // namespace

u32 EntropyDecode(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok) {
    Codes out;
    return DecodeSymbols(stored, storedLength, output, capacity, ok, out);
}

u32 DecodeEntropyAndMoveToFront(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok,
                                u32 counts[256]) {
    Bytes out{MoveToFrontTable(), counts};
    for (int b = 0; b < 256; ++b) counts[b] = 0;
    return DecodeSymbols(stored, storedLength, output, capacity, ok, out);
}
