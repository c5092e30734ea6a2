#include "package/FrequencyModel.h"

void FrequencyModel::Reset() {
    for (int p = 0; p < SymbolCount; ++p) {
        freq[p] = 1;
        cum[p] = static_cast<u16>(p + 1);
        symbol[p] = static_cast<u16>(p);
        index[p] = static_cast<u16>(p);
    }
}

int FrequencyModel::FindPosition(u32 scaled) const {
    // Frequent symbols sit at the top and own most of the range: look there first.
    int p = SymbolCount - 1;
    for (int step = 0; step < 4; ++step, --p)
        if (CumBefore(p) <= scaled) return p;
    // Then the first position whose cum exceeds scaled, by halving [0, p].
    int lo = 0, hi = p;
    while (lo < hi) {
        int mid = (lo + hi) >> 1;
        if (cum[mid] > scaled)
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}

void FrequencyModel::Increment(int s) {
    int p = index[s];
    u16 f = ++freq[p];
    int target = p;
    if (p < SymbolCount - 1 && f > freq[p + 1]) {
        // Move s right past every entry with a smaller count, but not past an equal one.
        int r = p + 1;
        while (r < SymbolCount && freq[r] < f) ++r;
        for (int q = p + 1; q < r; ++q) {
            freq[q - 1] = freq[q];
            symbol[q - 1] = symbol[q];
            index[symbol[q - 1]] = static_cast<u16>(q - 1);
        }
        target = r - 1;
        freq[target] = f;
        symbol[target] = static_cast<u16>(s);
        index[s] = static_cast<u16>(target);
        // The entries passed over all held f - 1, as s did before; so the cum values below
        // the new position are unchanged and only those from it on grow by one, which
        // equals recomputing the running sum from p.
    }
    for (int q = target; q < SymbolCount; ++q) ++cum[q];
    if (Total() == RescaleTotal) Rescale();
}

void FrequencyModel::Rescale() {
    u16 sum = 0;
    for (int p = 0; p < SymbolCount; ++p) {
        freq[p] = static_cast<u16>((freq[p] + 1) / 2);
        sum = static_cast<u16>(sum + freq[p]);
        cum[p] = sum;
    }
}
