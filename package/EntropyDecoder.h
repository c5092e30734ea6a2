// First stage of block decoding: adaptive arithmetic decoding of the stored bytes into
// move-to-front codes, with RunSymbol (a run of the last literal) and EndSymbol.
#pragma once
#include "package/FrequencyModel.h"
#include "state/Types.h"

// Most significant bit first; positions past the end read as zero bits.
struct BitReader {
    const u8* current;
    const u8* end;
    u8 mask = 0x80;

    BitReader(const u8* bytes, u32 length) : current(bytes), end(bytes + length) {}
    u32 ReadBit() {
        if (current >= end) return 0;
        u32 bit = (*current & mask) ? 1 : 0;
        mask = static_cast<u8>(mask >> 1);
        if (!mask) {
            ++current;
            mask = 0x80;
        }
        return bit;
    }
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
};

// Returns the number of bytes written to output. *ok becomes false when a run had to be
// cut at the capacity or the stream broke off; the block's checksum is the real judge.
u32 EntropyDecode(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok);
