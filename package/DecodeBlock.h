// The whole decoding pipeline of one DataBlock's stored bytes, in place.
#pragma once
#include "state/Types.h"

// The working memory of the pipeline, for a decoder to keep from block to block. Made afresh
// for every block, its tables are large enough that the system maps, and zeroes, new pages
// each time.
class DecodeWorkspace {
public:
    DecodeWorkspace() : scratch(new u8[DecodeCapacity]), rows(new u32[2 * DecodeCapacity]) {}
    ~DecodeWorkspace() {
        delete[] scratch;
        delete[] rows;
    }
    DecodeWorkspace(const DecodeWorkspace&) = delete;
    DecodeWorkspace& operator=(const DecodeWorkspace&) = delete;

    u8* const scratch;  // DecodeCapacity bytes
    u32* const rows;    // two entries for each of them
};

// buffer holds *length stored bytes on entry and the payload on exit (at most capacity).
// False when damaged input breaks a bound of the pipeline; otherwise the caller's
// checksum of the decoded bytes judges the result. Without a workspace (or with a capacity
// above DecodeCapacity) the pipeline makes its own.
bool DecodeBlock(u8* buffer, u32* length, u32 capacity, DecodeWorkspace* workspace);
inline bool DecodeBlock(u8* buffer, u32* length, u32 capacity) { return DecodeBlock(buffer, length, capacity, nullptr); }
