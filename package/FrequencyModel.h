// The adaptive frequency table of the block coder: the rules both sides follow (ordering,
// tie-breaks, rescale point). The encoder uses it as it is; the block decoder keeps the
// same table in a layout of its own (by rank, in groups), which makes exactly the same
// choices, as the unit tests and the fuzzer check against the plain reference decoder.
#pragma once
#include "state/Types.h"

constexpr int SymbolCount = 258;
constexpr int RunSymbol = 256;
constexpr int EndSymbol = 257;

struct FrequencyModel {
    static constexpr u16 RescaleTotal = 0x3FFF;

    // Positions are sorted by freq, lowest first; cum[p] is the sum of freq[0..p].
    u16 freq[SymbolCount];
    u16 cum[SymbolCount];
    u16 symbol[SymbolCount];
    u16 index[SymbolCount];  // index[s]: the position holding symbol s

    FrequencyModel() { Reset(); }
    void Reset();

    u32 Total() const { return cum[SymbolCount - 1]; }
    u32 CumBefore(int position) const { return position ? cum[position - 1] : 0; }
    // The unique position p with CumBefore(p) <= scaled < cum[p]; scaled must be below Total().
    // With a range, scaled stands for target / range (integer division) and is never formed:
    // the search compares target with cum * range instead, which gives the same answer.
    int FindPosition(u32 scaled) const { return FindPosition(scaled, 1); }
    int FindPosition(u32 target, u32 range) const;
    void Increment(int s) { IncrementAt(index[s]); }
    // Increment of the symbol at a position, when the position is known already.
    void IncrementAt(int position);

private:
    void Rescale();
};
