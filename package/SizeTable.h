// The header's disk-use figures: for seven cluster sizes (512 to 32768 bytes) the clusters
// all files occupy, each file rounded up to whole clusters, and the number of blocks.
#pragma once
#include "state/Types.h"

constexpr int SizeTableEntries = 7;

// The cluster size of entry k: 512 << k.
inline u32 SizeTableClusterSize(int k) { return 512u << k; }

// The DataBlocks a file of this size is cut into (BuiltBlockSize bytes each, the last the
// rest); an empty file has none.
inline u64 BlocksForSize(u64 size) { return (size + BuiltBlockSize - 1) / BuiltBlockSize; }

// Adds one file to running totals, kept wide so that the caller can tell when they no
// longer fit the header's u32 fields.
struct SizeTotals {
    u64 clusters[SizeTableEntries] = {};
    u64 blocks = 0;
    u64 bytes = 0;

    void AddFile(u64 size) {
        for (int k = 0; k < SizeTableEntries; ++k) {
            u64 cluster = SizeTableClusterSize(k);
            clusters[k] += (size + cluster - 1) / cluster;
        }
        blocks += BlocksForSize(size);
        bytes += size;
    }
    // Every figure fits the u32 the header stores it in.
    bool Fits() const {
        for (u64 c : clusters)
            if (c > 0xFFFFFFFFull) return false;
        return blocks <= 0xFFFFFFFFull;
    }
};
