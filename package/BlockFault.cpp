#include "package/BlockFault.h"

#include "package/BlockChecksum.h"
#include "package/DecodeBlock.h"

BlockFault DecodeStoredBlockFault(const StoredBlock& block, u8* buffer, u32* length, u32 capacity) {
    *length = 0;
    if (block.storedLength == 0) return BlockFault::None;
    if (BlockChecksum(buffer, block.storedLength, ChecksumStart) != block.storedChecksum)
        return BlockFault::StoredChecksum;
    u32 decoded = block.storedLength;
    if (!DecodeBlock(buffer, &decoded, capacity)) return BlockFault::Undecodable;
    if (BlockChecksum(buffer, decoded, ChecksumStart) != block.decodedChecksum) return BlockFault::DecodedChecksum;
    *length = decoded;
    return BlockFault::None;
}
