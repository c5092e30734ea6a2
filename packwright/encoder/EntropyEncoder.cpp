#include <algorithm>
#include <stdexcept>
#include <string>

#include "packwright/encoder/ArithmeticEncoder.h"
#include "packwright/encoder/SymbolCost.h"

namespace {
constexpr std::size_t MinRun = 8;
constexpr std::size_t MaxRun = 265;

// Codes `copies` further repetitions of the last literal c.
void EncodeRepeats(ArithmeticEncoder& coder, int c, std::size_t copies, const EncoderOptions& options) {
    while (copies > MaxRun) {
        // Leave at least MinRun so the rest can still go into one RunSymbol.
        std::size_t n = std::min(MaxRun, copies - MinRun);
        coder.Encode(RunSymbol);
        coder.Encode(static_cast<int>(n - MinRun));
        copies -= n;
    }
    if (copies >= MinRun) {
        std::size_t literals = 0;
        if (options.runChoice == RunChoice::Cheapest) {
            // Cheapest split into some literals and one run, at the model's present counts.
            // (At most 265 copies of at most 14 bits: the sums stay far below 2^32.)
            const FrequencyModel& m = coder.Model();
            const Cost* log2 = Log2Costs();
            Cost literal = SymbolCost(m, log2, c);
            Cost best = static_cast<Cost>(copies) * literal;
            literals = copies;
            Cost run = SymbolCost(m, log2, RunSymbol);
            for (std::size_t k = 0; k + MinRun <= copies; ++k) {
                Cost length = SymbolCost(m, log2, static_cast<int>(copies - k - MinRun));
                Cost cost = static_cast<Cost>(k) * literal + run + length;
                if (cost < best) {
                    best = cost;
                    literals = k;
                }
            }
        }
        for (std::size_t k = 0; k < literals; ++k) coder.Encode(c);
        copies -= literals;
        if (copies) {
            coder.Encode(RunSymbol);
            coder.Encode(static_cast<int>(copies - MinRun));
            copies = 0;
        }
    }
    for (; copies; --copies) coder.Encode(c);
}
}  // namespace

ByteVector EntropyEncode(const ByteVector& codes, const EncoderOptions& options) {
    if (codes.size() > DecodeCapacity)
        throw std::runtime_error(std::to_string(codes.size()) + " move-to-front codes exceed the decoder's buffer of " +
                                 std::to_string(DecodeCapacity));
    ByteVector out;
    out.reserve(codes.size() / 2 + 16);
    ArithmeticEncoder coder(out);
    // The decoder cuts a run that reaches its capacity one byte short; a stream that fills
    // the capacity therefore ends with a literal, and needs no EndSymbol after it.
    const bool fills = codes.size() >= DecodeCapacity;
    const std::size_t end = fills ? codes.size() - 1 : codes.size();
    int last = 0;  // a RunSymbol before any literal repeats 0
    std::size_t i = 0;
    while (i < end) {
        u8 c = codes[i];
        std::size_t run = 1;
        while (i + run < end && codes[i + run] == c) ++run;
        i += run;
        if (c != last) {
            coder.Encode(c);
            last = c;
            --run;
        }
        EncodeRepeats(coder, c, run, options);
    }
    if (fills)
        coder.Encode(codes.back());
    else
        coder.Encode(EndSymbol);
    coder.Finish();
    return out;
}
