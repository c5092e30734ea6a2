#include "packwright/encoder/SymbolCost.h"

#include <array>

namespace {
// Fixed-point log2 by repeated squaring: y in [1, 2) is held with 30 fraction bits, and
// each squaring that passes 2 yields the next bit of the result.
Cost ComputeLog2(u32 x) {
    int whole = 31 - __builtin_clz(x);
    u64 y = (static_cast<u64>(x) << 30) >> whole;
    Cost result = static_cast<Cost>(whole) << 16;
    for (int bit = 15; bit >= 0; --bit) {
        y = (y * y) >> 30;
        if (y >= (u64{2} << 30)) {
            y >>= 1;
            result |= Cost{1} << bit;
        }
    }
    return result;
}

using Table = std::array<Cost, FrequencyModel::RescaleTotal + 1>;

Table MakeTable() {
    Table table{};
    for (u32 x = 1; x < table.size(); ++x) table[x] = ComputeLog2(x);
    return table;
}
}  // namespace

const Cost* Log2Costs() {
    // Built once, on first use, and only read afterwards: safe from any number of threads.
    static const Table table = MakeTable();
    return table.data();
}
