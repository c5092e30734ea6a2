#include "package/DecodeBlock.h"

#include "package/EntropyDecoder.h"
#include "package/InverseTransforms.h"

bool DecodeBlock(u8* buffer, u32* length, u32 capacity, DecodeWorkspace* workspace) {
    bool own = !workspace || capacity > DecodeCapacity;
    u8* scratch = own ? new u8[capacity] : workspace->scratch;
    u32* rows = own ? nullptr : workspace->rows;
    bool complete;
    u32 counts[256];
    u32 n = DecodeEntropyAndMoveToFront(buffer, *length, scratch, capacity, &complete, counts);
    bool ok = InverseBurrowsWheeler(scratch, scratch, &n, counts, rows) && ExpandRuns(scratch, buffer, &n, capacity);
    if (own) delete[] scratch;
    *length = ok ? n : 0;
    return ok;
}
