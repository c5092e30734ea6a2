#include "package/EntropyDecoder.h"

ArithmeticDecoder::ArithmeticDecoder(const u8* bytes, u32 length) : bits(bytes, length) {
    for (int i = 0; i < 16; ++i) code = static_cast<u16>((code << 1) | bits.ReadBit());
}

int ArithmeticDecoder::DecodeSymbol() {
    for (;;) {
        if (low >= 0x8000) {
            low = static_cast<u16>(low << 1);
            high = static_cast<u16>((high << 1) | 1);
            code = static_cast<u16>((code << 1) | bits.ReadBit());
        } else if (high < 0x8000) {
            low = static_cast<u16>(low << 1);
            high = static_cast<u16>((high << 1) | 1);
            code = static_cast<u16>((code << 1) | bits.ReadBit());
        } else if (low >= 0x4000 && high < 0xC000) {
            low = static_cast<u16>((low - 0x4000) << 1);
            high = static_cast<u16>(((high - 0x4000) << 1) | 1);
            code = static_cast<u16>(((code - 0x4000) << 1) | bits.ReadBit());
        } else {
            break;
        }
    }
    if (code < low || code > high) return EndSymbol;
    u32 range = static_cast<u32>(high) - low + 1;
    u32 total = model.Total();
    u32 scaled = ((static_cast<u32>(code) - low + 1) * total - 1) / range;
    int p = model.FindPosition(scaled);
    u32 prev = model.CumBefore(p);
    // Both bounds from the old low, high first; counts from before the update.
    high = static_cast<u16>(low + (range * model.cum[p]) / total - 1);
    low = static_cast<u16>(low + (range * prev) / total);
    int s = model.symbol[p];
    model.Increment(s);
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
