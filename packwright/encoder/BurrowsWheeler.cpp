#include <divsufsort.h>

#include <algorithm>
#include <stdexcept>

#include "packwright/encoder/BlockEncoder.h"

namespace {
// Start of the lexicographically least rotation of s (given doubled, 2n bytes), and whether
// two different starts give equal rotations (s is a repetition of a shorter string).
std::size_t LeastRotation(const u8* doubled, std::size_t n, bool& periodic) {
    std::size_t i = 0, j = 1, k = 0;
    while (i < n && j < n && k < n) {
        u8 a = doubled[i + k], b = doubled[j + k];
        if (a == b) {
            ++k;
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
// bytes that is not a repetition, with its least rotation starting at `shift`. Rotated to
// start there, such a string is smaller than each of its proper suffixes, and then its
// rotations sort exactly as its suffixes do: where a suffix comparison would run off the
// end, the rotation continues with the whole string, which loses to every other rotation.
// So one suffix sort of n bytes gives the order.
u32 PrimitiveTransform(const ByteVector& doubled, std::size_t n, std::size_t shift, std::size_t first, u8* last) {
    const u8* rotated = doubled.data() + 1 + shift;
    std::vector<saidx_t> suffixes(n);
    if (divsufsort(rotated, suffixes.data(), static_cast<saidx_t>(n)) != 0)
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
    bool periodic;
    std::size_t shift = LeastRotation(doubled.data() + 1, n, periodic);
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
