#include "package/FrequencyModel.h"

void FrequencyModel::Reset() {
    for (int p = 0; p < SymbolCount; ++p) {
        freq[p] = 1;
        cum[p] = static_cast<u16>(p + 1);
        symbol[p] = static_cast<u16>(p);
        index[p] = static_cast<u16>(p);
    }
}

int FrequencyModel::FindPosition(u32 target, u32 range) const {
    // floor(target / range) < cum[q] exactly when target < cum[q] * range.
    // Frequent symbols sit at the top and own most of the range: when the answer is among
    // the top positions it is found by counting, without a branch per position.
    constexpr int Top = 8;
    constexpr int FirstTop = SymbolCount - Top;
    if (target >= cum[FirstTop - 1] * range) {
        int above = 0;  // top positions below the last whose cum exceeds the target
        for (int q = FirstTop; q < SymbolCount - 1; ++q) above += target < cum[q] * range;
        return SymbolCount - 1 - above;
    }
    // Otherwise the first position whose cum exceeds scaled, by halving [0, FirstTop): the
    // answer stays inside [lo, lo + length), and the steps are branch-free. One division
    // here costs less than a multiplication in every step.
    u32 scaled = target / range;
    int lo = 0;
    for (int length = FirstTop; length > 1;) {
        int half = length >> 1;
        lo += scaled >= cum[lo + half - 1] ? half : 0;
        length -= half;
    }
    return lo;
}

void FrequencyModel::IncrementAt(int p) {
    u16 f = ++freq[p];
    int target = p;
    if (p < SymbolCount - 1 && f > freq[p + 1]) {
        // s moves right past every entry with a smaller count, but not past an equal one.
        // Counts are sorted and s held f - 1, so the entries it passes all hold f - 1: find
        // the first count of at least f by halving, then rotate only the symbols.
        int lo = p + 1, hi = SymbolCount;
        while (lo < hi) {
            int mid = (lo + hi) >> 1;
            if (freq[mid] < f)
                lo = mid + 1;
            else
                hi = mid;
        }
        target = lo - 1;
        u16 s = symbol[p];
        for (int q = p; q < target; ++q) {
            symbol[q] = symbol[q + 1];
            index[symbol[q]] = static_cast<u16>(q);
        }
        symbol[target] = s;
        index[s] = static_cast<u16>(target);
        freq[p] = static_cast<u16>(f - 1);
        freq[target] = f;
        // The cum values below the new position are unchanged (the passed entries hold what s
        // held), and those from it on grow by one: the same as recomputing the running sum.
    }
    // The new total is worked out rather than read back from the array just written.
    u32 total = Total() + 1;
    for (int q = target; q < SymbolCount; ++q) ++cum[q];
    if (total == RescaleTotal) Rescale();
}

void FrequencyModel::Rescale() {
    u16 sum = 0;
    for (int p = 0; p < SymbolCount; ++p) {
        freq[p] = static_cast<u16>((freq[p] + 1) / 2);
        sum = static_cast<u16>(sum + freq[p]);
        cum[p] = sum;
    }
}
