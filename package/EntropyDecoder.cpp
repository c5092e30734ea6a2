#include "package/EntropyDecoder.h"

namespace {
// Number of leading zero bits of a 16-bit value (16 for 0); the marker bit below the value
// keeps the count defined for 0.
int LeadingZeros16(u32 value) { return __builtin_clz((value << 16) | 0x8000); }

// value / total for value below 2^30, given reciprocal = (2^32 - 1) / total: the product
// falls short of the quotient by at most one, which the remainder reveals.
inline u32 DivideByTotal(u32 value, u32 total, u32 reciprocal) {
    u32 quotient = static_cast<u32>((static_cast<u64>(value) * reciprocal) >> 32);
    if (value - quotient * total >= total) ++quotient;
    return quotient;
}
}  // namespace

ArithmeticDecoder::ArithmeticDecoder(const u8* bytes, u32 length) : bits(bytes, length) {
    code = static_cast<u16>(bits.ReadBits(16));
}

// Doubling the interval one bit at a time falls into two stretches: while the top bits of
// low and high agree (either half), then while they straddle the middle. After a middle
// step the registers still straddle 0x8000, so no half step can follow. Each stretch is
// taken in one go, with the same results as stepping bit by bit.
inline void ArithmeticDecoder::Normalise() {
    int halves = LeadingZeros16(static_cast<u32>(low ^ high));
    if (halves) {
        low = static_cast<u16>(low << halves);
        high = static_cast<u16>((high << halves) | ((1u << halves) - 1));
        code = static_cast<u16>((static_cast<u32>(code) << halves) | bits.ReadBits(halves));
    }
    // Middle steps continue while bit 14 is set in low and clear in high. Each step takes
    // 0x4000 off all three registers and doubles them; modulo 65536 that is flipping bit 14
    // and shifting, so k steps flip the k bits below the top one and shift by k.
    int middles = LeadingZeros16(((~(static_cast<u32>(low) & ~static_cast<u32>(high)) << 1) | 1) & 0xFFFF);
    if (middles) {
        u32 flip = ((1u << middles) - 1) << (15 - middles);
        low = static_cast<u16>((low ^ flip) << middles);
        high = static_cast<u16>(((high ^ flip) << middles) | ((1u << middles) - 1));
        code = static_cast<u16>(((code ^ flip) << middles) | bits.ReadBits(middles));
    }
}

int ArithmeticDecoder::DecodeSymbol() {
    Normalise();
    if (code < low || code > high) return EndSymbol;
    u32 total = model.Total();
    // Started here, the reciprocal is ready by the time the narrowing needs it: no division
    // then stands on the path from one symbol to the next.
    u32 reciprocal = 0xFFFFFFFFu / total;
    u32 range = static_cast<u32>(high) - low + 1;
    // The symbol's slot is (target / range); the search finds it without dividing.
    u32 target = (static_cast<u32>(code) - low + 1) * total - 1;
    int p = model.FindPosition(target, range);
    u32 prev = model.CumBefore(p);
    // Both bounds from the old low, high first; counts from before the update.
    high = static_cast<u16>(low + DivideByTotal(range * model.cum[p], total, reciprocal) - 1);
    low = static_cast<u16>(low + DivideByTotal(range * prev, total, reciprocal));
    int s = model.symbol[p];
    model.IncrementAt(p);
    return s;
}

u32 EntropyDecode(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok) {
    ArithmeticDecoder decoder(stored, storedLength);
    u8 last = 0;
    u32 count = 0;
    *ok = true;
    while (count < capacity) {
        int s = decoder.DecodeSymbol();
        if (s < 256) {
            output[count++] = static_cast<u8>(s);
            last = static_cast<u8>(s);
        } else if (s == EndSymbol) {
            break;
        } else {
            u32 n = static_cast<u32>(decoder.DecodeSymbol()) + 8;
            if (count + n >= capacity) {
                *ok = false;
                n = capacity - count - 1;
            }
            for (u32 i = 0; i < n; ++i) output[count + i] = last;
            count += n;
        }
    }
    return count;
}
