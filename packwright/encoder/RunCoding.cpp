#include <algorithm>
#include <cstring>

#include "packwright/encoder/BlockEncoder.h"

namespace {
constexpr u8 Escape = 0xFF;
constexpr std::size_t MinCopies = 3;    // an escape pair repeats 3 ...
constexpr std::size_t MaxCopies = 257;  // ... to 257 copies of the previous byte

// A literal byte; 0xFF is written twice to tell it from an escape.
u8* PutLiteral(u8* out, u8 b) {
    *out++ = b;
    if (b == Escape) *out++ = Escape;
    return out;
}
}  // namespace

ByteVector CodeRuns(const u8* data, std::size_t length, bool runCoded, std::size_t minEscapedCopies) {
    minEscapedCopies = std::clamp(minEscapedCopies, MinCopies, MaxCopies);
    // At worst every byte is a lone 0xFF and doubles.
    ByteVector out(1 + (runCoded ? 2 * length : length));
    out[0] = runCoded ? 1 : 0;
    if (!runCoded) {
        if (length) std::memcpy(out.data() + 1, data, length);
        return out;
    }
    u8* put = out.data() + 1;
    u8 prev = Escape;  // the decoder starts with 0xFF as the byte an escape repeats
    std::size_t i = 0;
    while (i < length) {
        u8 b = data[i];
        std::size_t run = 1;
        while (i + run < length && data[i + run] == b) ++run;
        i += run;
        if (b != prev) {
            // One literal occurrence makes b the byte that escapes repeat.
            put = PutLiteral(put, b);
            prev = b;
            --run;
        }
        while (run >= minEscapedCopies) {
            std::size_t copies = std::min(run, MaxCopies);
            *put++ = Escape;
            *put++ = static_cast<u8>(copies - MinCopies);
            run -= copies;
        }
        for (; run; --run) put = PutLiteral(put, b);
    }
    out.resize(static_cast<std::size_t>(put - out.data()));
    return out;
}
