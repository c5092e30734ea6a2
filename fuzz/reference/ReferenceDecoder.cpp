#include "fuzz/reference/ReferenceDecoder.h"

#include <cstring>
#include <vector>

namespace reference {
namespace {
constexpr int Symbols = 258;

struct Model {
    u16 freq[Symbols], cum[Symbols], symbol[Symbols], index[Symbols];

    Model() {
        for (int p = 0; p < Symbols; ++p) {
            freq[p] = 1;
            cum[p] = static_cast<u16>(p + 1);
            symbol[p] = index[p] = static_cast<u16>(p);
        }
    }
    u32 Before(int p) const { return p ? cum[p - 1] : 0; }

    int Find(u32 scaled) const {
        int lo = 0, hi = Symbols;
        for (;;) {
            int mid = lo + (hi - lo + 1) / 2;
            if (mid > 0 && scaled < cum[mid - 1])
                hi = mid - 1;
            else if (scaled < cum[mid])
                return mid;
            else
                lo = mid + 1;
        }
    }

    void Increment(int s) {
        int p = index[s];
        u16 f = ++freq[p];
        if (p < Symbols - 1 && f > freq[p + 1]) {
            int r = p + 1;
            while (r < Symbols && freq[r] < f) ++r;
            for (int q = p + 1; q < r; ++q) {
                freq[q - 1] = freq[q];
                symbol[q - 1] = symbol[q];
                index[symbol[q - 1]] = static_cast<u16>(q - 1);
            }
            freq[r - 1] = f;
            symbol[r - 1] = static_cast<u16>(s);
            index[s] = static_cast<u16>(r - 1);
            u32 sum = Before(p);
            for (int q = p; q < Symbols; ++q) cum[q] = static_cast<u16>(sum += freq[q]);
        } else {
            for (int q = p; q < Symbols; ++q) ++cum[q];
        }
        if (cum[Symbols - 1] == 0x3FFF) {
            u32 sum = 0;
            for (int q = 0; q < Symbols; ++q) {
                freq[q] = static_cast<u16>((freq[q] + 1) / 2);
                cum[q] = static_cast<u16>(sum += freq[q]);
            }
        }
    }
};

struct Decoder {
    const u8* at;
    const u8* end;
    u8 mask = 0x80;
    Model model;
    u32 low = 0, high = 0xFFFF, code = 0;

    Decoder(const u8* bytes, u32 length) : at(bytes), end(bytes + length) {
        for (int i = 0; i < 16; ++i) code = (code << 1) | Bit();
    }
    u32 Bit() {
        if (at >= end) return 0;
        u32 bit = (*at & mask) ? 1 : 0;
        mask = static_cast<u8>(mask >> 1);
        if (!mask) {
            ++at;
            mask = 0x80;
        }
        return bit;
    }
    int Symbol() {
        for (;;) {
            if (low >= 0x8000) {
                low = 2 * low - 0x10000;
                high = 2 * high - 0x10000 + 1;
                code = 2 * code - 0x10000 + Bit();
            } else if (high < 0x8000) {
                low = 2 * low;
                high = 2 * high + 1;
                code = (2 * code) % 0x10000 + Bit();
            } else if (low >= 0x4000 && high < 0xC000) {
                low = 2 * (low - 0x4000);
                high = 2 * (high - 0x4000) + 1;
                code = (2 * (code - 0x4000)) % 0x10000 + Bit();
            } else {
                break;
            }
        }
        // Outside the interval no valid stream can be: the block ends there.
        if (code < low || code > high) return 257;
        u32 range = high - low + 1;
        u32 total = model.cum[Symbols - 1];
        u32 scaled = ((code - low + 1) * total - 1) / range;
        int p = model.Find(scaled);
        u32 prev = model.Before(p);
        u32 oldLow = low;
        high = (oldLow + (range * model.cum[p]) / total - 1) & 0xFFFF;
        low = (oldLow + (range * prev) / total) & 0xFFFF;
        int s = model.symbol[p];
        model.Increment(s);
        return s;
    }
};

u32 Entropy(const u8* stored, u32 length, u8* out, u32 capacity) {
    Decoder d(stored, length);
    u8 last = 0;
    u32 count = 0;
    while (count < capacity) {
        int s = d.Symbol();
        if (s < 256) {
            out[count++] = last = static_cast<u8>(s);
        } else if (s == 257) {
            break;
        } else {
            u32 n = static_cast<u32>(d.Symbol()) + 8;
            if (count + n >= capacity) n = capacity - count - 1;
            while (n--) out[count++] = last;
        }
    }
    return count;
}

void UndoMoveToFront(const u8* in, u8* out, u32 length) {
    u8 table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<u8>(i);
    for (u32 i = 0; i < length; ++i) {
        u8 c = in[i], value = table[c];
        out[i] = value;
        for (int k = c; k > 0; --k) table[k] = table[k - 1];
        table[0] = value;
    }
}

bool UndoRotationSort(const u8* in, u8* out, u32* length) {
    if (*length < 4) return false;
    u32 n = *length - 4, p = LoadU32(in);
    const u8* last = in + 4;
    *length = n;
    if (n == 0) return true;
    if (p >= n) return false;
    u32 start[256] = {}, count[256] = {};
    for (u32 i = 0; i < n; ++i) ++count[last[i]];
    for (int b = 1; b < 256; ++b) start[b] = start[b - 1] + count[b - 1];
    std::vector<u32> next(n);
    for (u32 i = 0; i < n; ++i) next[start[last[i]]++] = i;
    for (u32 i = 0; i < n; ++i) {
        out[i] = last[p];
        p = next[p];
    }
    return true;
}

bool UndoRuns(const u8* in, u8* out, u32* length, u32 capacity) {
    u32 m = *length;
    if (m == 0) return true;
    if (in[0] == 0) {
        if (m - 1 > capacity) return false;
        std::memcpy(out, in + 1, m - 1);
        *length = m - 1;
        return true;
    }
    u8 prev = 0xFF;
    u32 o = 0;
    for (u32 i = 1; i < m;) {
        if (in[i] != 0xFF) {
            if (o >= capacity) return false;
            out[o++] = prev = in[i++];
        } else if (i + 1 >= m) {
            return false;
        } else if (in[i + 1] == 0xFF) {
            if (o >= capacity) return false;
            out[o++] = prev = 0xFF;
            i += 2;
        } else {
            u32 copies = in[i + 1] + 3u;
            if (copies > capacity - o) return false;
            while (copies--) out[o++] = prev;
            i += 2;
        }
    }
    *length = o;
    return true;
}
}  // namespace

bool DecodeBlock(u8* buffer, u32* length, u32 capacity) {
    std::vector<u8> scratch(capacity);
    u32 n = Entropy(buffer, *length, scratch.data(), capacity);
    UndoMoveToFront(scratch.data(), buffer, n);
    bool ok = UndoRotationSort(buffer, scratch.data(), &n) && UndoRuns(scratch.data(), buffer, &n, capacity);
    *length = ok ? n : 0;
    return ok;
}
}  // namespace reference
