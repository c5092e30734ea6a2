// First stage of block decoding: adaptive arithmetic decoding of the stored bytes into
// move-to-front codes, with RunSymbol (a run of the last literal) and EndSymbol.
#pragma once
#include "package/FrequencyModel.h"
#include "state/Types.h"

// Most significant bit first; positions past the end read as zero bits. Bits are served
// from a 32-bit window filled a byte at a time, so the decoder can take several at once.
struct BitReader {
    const u8* current;
    const u8* end;
    u32 window = 0;  // the next bits, most significant first
    int filled = 0;  // how many bits of window are real (the rest are zero)

    BitReader(const u8* bytes, u32 length) : current(bytes), end(bytes + length) {}
    // The next count bits (0 to 16) as a number, the first bit most significant.
    u32 ReadBits(int count) {
        while (filled <= 24) {
            if (current < end) window |= static_cast<u32>(*current++) << (24 - filled);
            filled += 8;  // past the end: eight zero bits
        }
        u32 bits = count ? window >> (32 - count) : 0;
        window <<= count;
        filled -= count;
        return bits;
    }
    u32 ReadBit() { return ReadBits(1); }
};

struct ArithmeticDecoder {
    BitReader bits;
    FrequencyModel model;
    u16 low = 0;
    u16 high = 0xFFFF;
    u16 code = 0;

    ArithmeticDecoder(const u8* bytes, u32 length);
    // The next symbol, 0 to 257. A register state no valid stream can reach yields
    // EndSymbol, so damaged input ends the block instead of reading outside the model.
    int DecodeSymbol();

private:
    void Normalise();
};

// Returns the number of bytes written to output. *ok becomes false when a run had to be
// cut at the capacity or the stream broke off; the block's checksum is the real judge.
u32 EntropyDecode(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok);
