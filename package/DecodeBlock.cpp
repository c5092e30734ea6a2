#include "package/DecodeBlock.h"

#include "package/EntropyDecoder.h"
#include "package/InverseTransforms.h"

bool DecodeBlock(u8* buffer, u32* length, u32 capacity) {
    u8* scratch = new u8[capacity];
    bool complete;
    u32 counts[256];
    u32 n = DecodeEntropyAndMoveToFront(buffer, *length, scratch, capacity, &complete, counts);
    bool ok = InverseBurrowsWheeler(scratch, scratch, &n, counts) && ExpandRuns(scratch, buffer, &n, capacity);
    delete[] scratch;
    *length = ok ? n : 0;
    return ok;
}
