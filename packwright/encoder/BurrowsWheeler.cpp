#include <divsufsort.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "packwright/encoder/BlockEncoder.h"

namespace {
// The first k' >= k, up to n, from which x and y differ within eight bytes (or n).
std::size_t SkipEqualWords(const u8* x, const u8* y, std::size_t k, std::size_t n) {
    while (k + 8 <= n) {
        u64 a, b;
        std::memcpy(&a, x + k, 8);
        std::memcpy(&b, y + k, 8);
        if (a != b) {
            int bit = std::endian::native == std::endian::little ? __builtin_ctzll(a ^ b) : __builtin_clzll(a ^ b);
            return k + static_cast<std::size_t>(bit) / 8;
        }
        k += 8;
    }
    return k;
}

// Start of the lexicographically least rotation of s (given doubled, 2n bytes), and whether
// two different starts give equal rotations (s is a repetition of a shorter string).
std::size_t LeastRotation(const u8* doubled, std::size_t n, bool& periodic) {
    std::size_t i = 0, j = 1, k = 0;
    while (i < n && j < n && k < n) {
        u8 a = doubled[i + k], b = doubled[j + k];
        if (a == b) {
            // Long common prefixes (repeated structures) are skipped eight bytes at a time.
            if (++k >= 16) k = SkipEqualWords(doubled + i, doubled + j, k, n);
            continue;
        }
        if (a > b)
            i += k + 1;
        else
            j += k + 1;
        if (i == j) ++j;
        k = 0;
    }
    periodic = k >= n;
    return i < j ? i : j;
}

// s twice over, after one copy of its last byte, so that every rotation is a contiguous
// view whose preceding byte is the rotation's last byte.
ByteVector Doubled(const u8* s, std::size_t n) {
    ByteVector d(2 * n + 1);
    d[0] = s[n - 1];
    std::copy(s, s + n, d.begin() + 1);
    std::copy(s, s + n, d.begin() + 1 + n);
    return d;
}

// A start from which the rotation ends in a byte found nowhere else in it, if there is one.
// No suffix of such a rotation is a prefix of another suffix, so its suffixes sort exactly
// as its rotations: the cheap case (text never holds the mode byte 0 or 1, for example).
bool UniqueLastByteStart(const u8* s, std::size_t n, std::size_t& start) {
    u32 count[256] = {};
    for (std::size_t i = 0; i < n; ++i) ++count[s[i]];
    for (int v = 0; v < 256; ++v)
        if (count[v] == 1) {
            std::size_t at = static_cast<std::size_t>(static_cast<const u8*>(std::memchr(s, v, n)) - s);
            start = at + 1 < n ? at + 1 : 0;
            return true;
        }
    return false;
}

// Length of the shortest string whose repetition gives s (n when there is none).
std::size_t PrimitiveRootLength(const u8* s, std::size_t n) {
    std::vector<std::size_t> border(n + 1);
    border[0] = 0;
    std::size_t k = 0;
    for (std::size_t i = 1; i < n; ++i) {
        while (k && s[i] != s[k]) k = border[k];
        if (s[i] == s[k]) ++k;
        border[i + 1] = k;
    }
    std::size_t period = n - border[n];
    return n % period == 0 ? period : n;
}

// Last column and the row of the rotation starting at `first`, for a string s of n > 1
// bytes that is not a repetition, rotated to start at `shift` where its rotations sort
// exactly as its suffixes do, so that one suffix sort of n bytes gives the order. That
// holds at its least rotation: rotated to start there, the string is smaller than each of
// its proper suffixes, and where a suffix comparison would run off the end, the rotation
// continues with the whole string, which loses to every other rotation.
u32 PrimitiveTransform(const ByteVector& doubled, std::size_t n, std::size_t shift, std::size_t first, u8* last) {
    const u8* rotated = doubled.data() + 1 + shift;
    std::unique_ptr<saidx_t[]> suffixes(new saidx_t[n]);  // filled by the sort, no need to clear
    if (divsufsort(rotated, suffixes.get(), static_cast<saidx_t>(n)) != 0)
        throw std::runtime_error("suffix sorting failed");
    for (std::size_t row = 0; row < n; ++row) last[row] = rotated[suffixes[row] - 1];
    const saidx_t target = static_cast<saidx_t>((first + n - shift) % n);
    std::size_t row = 0;
    while (suffixes[row] != target) ++row;
    return static_cast<u32>(row);
}
}  // namespace

ByteVector BurrowsWheeler(const ByteVector& input) {
    const std::size_t n = input.size();
    ByteVector out(4 + n);
    if (n == 0) return out;
    // The decoder's output starts with the last byte of the row it is given, so it is given
    // the row of the rotation that starts at position 1.
    const std::size_t first = 1 % n;
    ByteVector doubled = Doubled(input.data(), n);
    bool periodic = false;
    std::size_t shift;
    if (!UniqueLastByteStart(input.data(), n, shift)) shift = LeastRotation(doubled.data() + 1, n, periodic);
    u32 primary = 0;
    if (!periodic) {
        primary = PrimitiveTransform(doubled, n, shift, first, out.data() + 4);
    } else {
        // A repetition u^m has each rotation of u m times over, in adjacent rows with the
        // same last byte; the inverse accepts any order among equal rotations.
        std::size_t d = PrimitiveRootLength(input.data(), n);
        std::size_t m = n / d;
        ByteVector rootLast(d, input[0]);
        u32 rootRow = 0;
        if (d > 1) {
            ByteVector rootDoubled = Doubled(input.data(), d);
            std::size_t rootShift = LeastRotation(rootDoubled.data() + 1, d, periodic);
            rootRow = PrimitiveTransform(rootDoubled, d, rootShift, first % d, rootLast.data());
        }
        for (std::size_t r = 0; r < d; ++r)
            for (std::size_t t = 0; t < m; ++t) out[4 + r * m + t] = rootLast[r];
        primary = static_cast<u32>(rootRow * m);
    }
    StoreU32(out.data(), primary);
    return out;
}
