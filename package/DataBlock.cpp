#include "package/DataBlock.h"

#include "package/BlockChecksum.h"
#include "package/DecodeBlock.h"
#include "package/PackageReader.h"
#include "state/SetupState.h"

namespace {
bool FailBlock() {
    g_setup.Corrupted = true;
    return false;
}
}  // namespace

bool ReadDataBlock(u8* buffer, u32* length, u32 capacity) {
    u8 field[4];
    if (ReadPackageBytes(field, 2) < 0) return false;
    u32 stored = LoadU16(field);
    if (stored == 0) {
        *length = 0;
        return true;
    }
    if (ReadPackageBytes(field, 4) < 0) return false;
    u32 decodedChecksum = LoadU32(field);
    if (ReadPackageBytes(field, 4) < 0) return false;
    u32 storedChecksum = LoadU32(field);

    if (!buffer) {
        // A failed read has set Cancelled, which the caller tests before its next block.
        u8* scratch = new u8[capacity > stored ? capacity : stored];
        int got = ReadPackageBytes(scratch, stored);
        delete[] scratch;
        *length = got < 0 ? stored : static_cast<u32>(got);
        return true;
    }
    if (stored > capacity) return FailBlock();
    if (ReadPackageBytes(buffer, stored) < 0) return FailBlock();
    if (BlockChecksum(buffer, stored, ChecksumStart) != storedChecksum) return FailBlock();
    u32 decoded = stored;
    if (!DecodeBlock(buffer, &decoded, capacity)) return FailBlock();
    if (BlockChecksum(buffer, decoded, ChecksumStart) != decodedChecksum) return FailBlock();
    *length = decoded;
    return true;
}
