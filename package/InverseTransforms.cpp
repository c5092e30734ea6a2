#include "package/InverseTransforms.h"

#include <cstring>

void InverseMoveToFront(const u8* input, u8* output, u32 length) {
    MoveToFrontTable table;
    for (u32 i = 0; i < length; ++i) output[i] = table.Take(input[i]);
}

bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length) {
    // Counted in four tables, so a run of one byte value is four chains of increments
    // through memory instead of one.
    u32 n = *length;
    u32 counts[4][256] = {};
    u32 i = 0;
    for (; i + 4 <= n; i += 4) {
        ++counts[0][input[i]];
        ++counts[1][input[i + 1]];
        ++counts[2][input[i + 2]];
        ++counts[3][input[i + 3]];
    }
    for (; i < n; ++i) ++counts[0][input[i]];
    for (int b = 0; b < 256; ++b) counts[0][b] += counts[1][b] + counts[2][b] + counts[3][b];
    return InverseBurrowsWheeler(input, output, length, counts[0]);
}

bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length, const u32 counts[256], u32* rows) {
    if (*length < 4) return false;
    u32 n = *length - 4;
    u32 p = LoadU32(input);
    const u8* last = input + 4;
    *length = n;
    if (n == 0) return true;
    if (p >= n) return false;

    // The rows of each byte value start after those of all smaller ones; the four index
    // bytes are no part of the column.
    u32 inColumn[256];
    for (int b = 0; b < 256; ++b) inColumn[b] = counts[b];
    for (int k = 0; k < 4; ++k) --inColumn[input[k]];
    u32 start[256];
    u32 sum = 0;
    for (int b = 0; b < 256; ++b) {
        start[b] = sum;
        sum += inColumn[b];
    }
    u8 first = last[p];  // read now: the output may overwrite the input
    // Each sorted row of the first column points at the same occurrence in the last
    // column; equal bytes keep their order. Walking those links from the primary row gives
    // the output from the front, and walking them back gives it from the end: two
    // independent chains of dependent loads, which the processor follows side by side.
    // An entry holds the row to go to and a byte (n is below 2^24), so each output byte
    // costs one random access: forward[row] leads to the next row and carries its byte,
    // backward[row] leads to the previous row and carries the byte of its own row.
    u32* forward = rows ? rows : new u32[2 * static_cast<std::size_t>(n)];
    u32* backward = forward + n;
    // Two bytes a step: the second row is worked out from the first when the bytes are
    // equal, so runs do not wait on the store of every increment.
    u32 i = 0;
    for (; i + 2 <= n; i += 2) {
        u32 c = last[i], d = last[i + 1];
        u32 row = start[c];
        u32 next = start[d] + (c == d);
        start[c] = row + 1;
        start[d] = next + 1;
        forward[row] = (i << 8) | c;
        backward[i] = (row << 8) | c;
        forward[next] = ((i + 1) << 8) | d;
        backward[i + 1] = (next << 8) | d;
    }
    if (i < n) {
        u32 c = last[i];
        u32 row = start[c];
        forward[row] = (i << 8) | c;
        backward[i] = (row << 8) | c;
    }
    output[0] = first;
    u32 ahead = p;                  // the row of output[front - 1]
    u32 behind = backward[p] >> 8;  // the row of output[back]
    u32 front = 1, back = n - 1;
    for (; front < back; ++front, --back) {
        u32 a = forward[ahead];
        u32 b = backward[behind];
        output[front] = static_cast<u8>(a);
        output[back] = static_cast<u8>(b);
        ahead = a >> 8;
        behind = b >> 8;
    }
    // The chains meet where they should exactly when n steps from the primary row lead back
    // to it. A valid block always does (its links form one cycle through all n rows), but
    // damaged input may not, and then the output is what the forward walk alone gives: it
    // goes on over the back part.
    if (front == back) {
        u32 a = forward[ahead];
        output[front] = static_cast<u8>(a);
        ahead = a >> 8;
    }
    if (ahead != behind) {
        for (u32 k = back + 1; k < n; ++k) {
            u32 a = forward[ahead];
            output[k] = static_cast<u8>(a);
            ahead = a >> 8;
        }
    }
    if (!rows) delete[] forward;
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
