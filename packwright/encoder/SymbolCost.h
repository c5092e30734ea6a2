// Exact costs of coding a symbol under the adaptive model, for the encoder's choices.
#pragma once
#include "package/FrequencyModel.h"

// Costs are in 1/65536 bit. Integer arithmetic throughout, so every host makes the same
// choices and builds stay reproducible.
using Cost = u32;
constexpr Cost CostOneBit = 1u << 16;

// log2(x) in 1/65536 units for 1 <= x <= FrequencyModel::RescaleTotal, indexed by x.
const Cost* Log2Costs();

// -log2(freq / total) of symbol s in the model's present state.
inline Cost SymbolCost(const FrequencyModel& model, const Cost* log2, int s) {
    return log2[model.Total()] - log2[model.freq[model.index[s]]];
}
