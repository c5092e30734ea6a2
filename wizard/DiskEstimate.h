// The disk space the installation may take, as the Directory page tells it: one figure for
// the drive of the proposed program directory, one for drives of any other format. Worked
// out from the Package header's cluster counts in 64 bits, so that figures of 4 GiB and more
// come out right.
#pragma once
#include "platform/Handles.h"
#include "state/Types.h"

struct DiskFigures {
    u64 thisDrive;    // bytes
    u64 otherDrives;  // bytes
};

// sizeTable[i] counts the clusters of 512 << i bytes the files take; totalBlocks their data
// blocks; each of the `companions` companion programs is a Stub of stubSize bytes. A cluster
// size above 32768 counts every block as a full one.
DiskFigures EstimateBytes(const u32 sizeTable[7], u32 totalBlocks, u32 stubSize, u32 companions, u64 clusterSize);

// The root to measure: everything from the first ':' becomes ":\" ("D:\Games" and "D:" give
// "D:\"); a directory without ':' is taken whole. `root` holds PathCapacity bytes.
void EstimateRootPath(const char* programDir, char* root);

// The sentence with both figures in Kb (bytes / 1024, rounded down); `out` holds 512 bytes.
void EstimateText(const DiskFigures& figures, char* out);

// Puts the estimate for the current ProgramDir into static 1006 of the Directory page, or
// "Size requirements unavailable." when the drive's geometry cannot be had.
void EstimateDiskSpace(WindowHandle page);
