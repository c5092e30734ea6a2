// The inverse stages of the block pipeline after entropy decoding. Each checks the bounds
// a correct Package always respects and reports false when damaged input breaks them.
#pragma once
#include <cstdint>
#include <cstring>

#include "state/Types.h"

// The table of the inverse move-to-front stage, taking one code at a time.
class MoveToFrontTable {
public:
    MoveToFrontTable() {
        Word first = 0;
        for (int k = FrontSize - 1; k >= 0; --k) first = (first << 8) | static_cast<u8>(k);
        front = first;
        for (int k = 0; k < 256 - FrontSize; ++k) entries_[Spill + k] = static_cast<u8>(FrontSize + k);
    }

    // The byte at position code, which then moves to position 0.
    u8 Take(u32 code) {
        u8 value;
        if (code < FrontSize) {
            value = static_cast<u8>(front >> (8 * code));
            // Positions 0 to code take the byte below them; value goes to position 0.
            Word moved = ~Word{0} >> (8 * (FrontSize - 1 - code));
            front = ((front << 8) & moved) | (front & ~moved) | value;
        } else {
            u8* rest = entries_ + Spill;
            value = rest[code - FrontSize];
            // rest[0 .. code - FrontSize - 1] move up by one, sixteen bytes at a time from
            // the top; each move reads its bytes before writing, and the last one may spill
            // into the room below rest.
            for (int k = static_cast<int>(code) - FrontSize; k > 0; k -= 16) {
                u8 chunk[16];
                std::memcpy(chunk, rest + k - 16, 16);
                std::memcpy(rest + k - 15, chunk, 16);
            }
            rest[0] = static_cast<u8>(front >> (8 * (FrontSize - 1)));
            front = (front << 8) | value;
        }
        return value;
    }
    // The byte at position 0, which a code 0 takes without moving anything.
    u8 First() const { return static_cast<u8>(front); }

private:
    // The first positions live in a register, a byte each (position 0 in the low byte):
    // most codes are small, and those then move bytes without touching memory, so no load
    // waits for the stores of the code before. A register of the machine's own width: on
    // a 32-bit one, a 64-bit shift would take several instructions.
    using Word = std::uintptr_t;
    static constexpr int FrontSize = sizeof(Word);
    Word front;
    // Position FrontSize + k is rest[k], rest = entries_ + Spill, with room below for the
    // moves to spill into.
    static constexpr int Spill = 16;
    u8 entries_[Spill + 256 - FrontSize] = {};
};

void InverseMoveToFront(const u8* input, u8* output, u32 length);

// Input: PrimaryIndex (u32) and n bytes of the last column. Writes n bytes, sets length to n.
// False when the input is shorter than the index or the index is not below n. The output
// may be the input itself. With counts, the occurrences of each byte value in the whole
// input (index included), which the caller has already counted; with rows, room for two
// entries for each input byte, which the stage otherwise allocates.
bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length);
bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length, const u32 counts[256], u32* rows = nullptr);

// Input: mode byte and data. Sets length to the bytes written. False when the output would
// pass capacity or a run-coded input ends in a lone escape byte.
bool ExpandRuns(const u8* input, u8* output, u32* length, u32 capacity);
