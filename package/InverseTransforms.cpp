#include "package/InverseTransforms.h"

#include <cstring>

void InverseMoveToFront(const u8* input, u8* output, u32 length) {
    u8 table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<u8>(i);
    for (u32 i = 0; i < length; ++i) {
        u8 c = input[i];
        u8 value = table[c];
        output[i] = value;
        // Move table[0..c-1] up by one, eight bytes at a time from the top: each step reads
        // its bytes before writing, and never writes where a later step still has to read.
        u32 k = c;
        for (; k >= 8; k -= 8) {
            u64 chunk;
            std::memcpy(&chunk, table + k - 8, 8);
            std::memcpy(table + k - 7, &chunk, 8);
        }
        for (; k; --k) table[k] = table[k - 1];
        table[0] = value;
    }
}

bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length) {
    if (*length < 4) return false;
    u32 n = *length - 4;
    u32 p = LoadU32(input);
    const u8* last = input + 4;
    *length = n;
    if (n == 0) return true;
    if (p >= n) return false;

    u32 start[256] = {};
    for (u32 i = 0; i < n; ++i) ++start[last[i]];
    u32 sum = 0;
    for (int b = 0; b < 256; ++b) {
        u32 count = start[b];
        start[b] = sum;
        sum += count;
    }
    // Each sorted row of the first column points at the same occurrence in the last
    // column; equal bytes keep their order. The entry also carries the byte found there
    // (n is below 2^24), so each output byte costs one random access instead of two.
    u32* next = new u32[n];
    for (u32 i = 0; i < n; ++i) next[start[last[i]]++] = (i << 8) | last[i];
    output[0] = last[p];
    for (u32 i = 1; i < n; ++i) {
        u32 entry = next[p];
        output[i] = static_cast<u8>(entry);
        p = entry >> 8;
    }
    delete[] next;
    return true;
}

bool ExpandRuns(const u8* input, u8* output, u32* length, u32 capacity) {
    u32 m = *length;
    if (m == 0) return true;  // nothing but the primary index: an empty payload
    if (input[0] == 0) {
        if (m - 1 > capacity) return false;
        std::memcpy(output, input + 1, m - 1);
        *length = m - 1;
        return true;
    }
    u8 prev = 0xFF;
    u32 out = 0;
    for (u32 i = 1; i < m;) {
        u8 b = input[i];
        if (b != 0xFF) {
            if (out >= capacity) return false;
            output[out++] = b;
            prev = b;
            ++i;
            continue;
        }
        if (i + 1 >= m) return false;  // a lone escape at the end
        u8 c = input[i + 1];
        i += 2;
        if (c == 0xFF) {
            if (out >= capacity) return false;
            output[out++] = 0xFF;
            prev = 0xFF;
        } else {
            u32 copies = static_cast<u32>(c) + 3;
            if (copies > capacity - out) return false;
            std::memset(output + out, prev, copies);
            out += copies;
        }
    }
    *length = out;
    return true;
}
