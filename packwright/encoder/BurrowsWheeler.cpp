#include <divsufsort.h>

#include "packwright/encoder/BlockEncoder.h"

ByteVector BurrowsWheeler(const ByteVector& input) {
    const std::size_t n = input.size();
    ByteVector out(4 + n);
    if (n == 0) return out;
    // Rotations of the input sort as the suffixes of the doubled input that start in its
    // first half; equal rotations may come in any order, which the inverse accepts.
    ByteVector doubled(input);
    doubled.insert(doubled.end(), input.begin(), input.end());
    std::vector<saidx_t> suffixes(2 * n);
    divsufsort(doubled.data(), suffixes.data(), static_cast<saidx_t>(2 * n));
    u32 row = 0;
    u32 primary = 0;
    for (saidx_t start : suffixes) {
        if (static_cast<std::size_t>(start) >= n) continue;
        // The decoder's output starts with the last byte of the row it is given, so it is
        // given the row of the rotation that starts at position 1.
        if (static_cast<std::size_t>(start) == 1 % n) primary = row;
        out[4 + row] = input[(start + n - 1) % n];
        ++row;
    }
    StoreU32(out.data(), primary);
    return out;
}
