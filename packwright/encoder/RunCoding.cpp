#include "packwright/encoder/BlockEncoder.h"

namespace {
constexpr u8 Escape = 0xFF;
constexpr std::size_t MinCopies = 3;    // an escape pair repeats 3 ...
constexpr std::size_t MaxCopies = 257;  // ... to 257 copies of the previous byte

void EmitCopies(ByteVector& out, std::size_t copies) {
    out.push_back(Escape);
    out.push_back(static_cast<u8>(copies - MinCopies));
}
}  // namespace

ByteVector CodeRuns(const u8* data, std::size_t length, bool runCoded) {
    ByteVector out;
    out.reserve(length + 1);
    out.push_back(runCoded ? 1 : 0);
    if (!runCoded) {
        out.insert(out.end(), data, data + length);
        return out;
    }
    u8 prev = Escape;  // the decoder starts with 0xFF as the byte an escape repeats
    std::size_t i = 0;
    while (i < length) {
        u8 b = data[i];
        std::size_t run = 1;
        while (i + run < length && data[i + run] == b) ++run;
        i += run;
        if (b != prev) {
            // One literal occurrence makes b the byte that escapes repeat.
            if (b == Escape)
                out.insert(out.end(), {Escape, Escape});
            else
                out.push_back(b);
            prev = b;
            --run;
        }
        while (run >= MinCopies) {
            std::size_t copies = run < MaxCopies ? run : MaxCopies;
            EmitCopies(out, copies);
            run -= copies;
        }
        for (; run; --run) {
            if (b == Escape)
                out.insert(out.end(), {Escape, Escape});
            else
                out.push_back(b);
        }
    }
    return out;
}
