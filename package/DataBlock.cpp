#include "package/DataBlock.h"

#include "package/BlockChecksum.h"
#include "package/DecodeBlock.h"

namespace {
// The three fields before the stored bytes.
BlockStatus ReadPrefix(PackageReader& reader, StoredBlock* block) {
    u8 field[4];
    if (reader.ReadPackageBytes(field, 2) < 0) return BlockStatus::Unreadable;
    *block = StoredBlock();
    block->storedLength = LoadU16(field);
    if (block->storedLength == 0) return BlockStatus::Sound;
    if (reader.ReadPackageBytes(field, 4) < 0) return BlockStatus::Unreadable;
    block->decodedChecksum = LoadU32(field);
    if (reader.ReadPackageBytes(field, 4) < 0) return BlockStatus::Unreadable;
    block->storedChecksum = LoadU32(field);
    return BlockStatus::Sound;
}
}  // namespace

BlockStatus ReadStoredBlock(PackageReader& reader, u8* buffer, u32 capacity, StoredBlock* block) {
    BlockStatus status = ReadPrefix(reader, block);
    if (status != BlockStatus::Sound || block->storedLength == 0) return status;
    if (block->storedLength > capacity) return BlockStatus::Damaged;
    if (reader.ReadPackageBytes(buffer, block->storedLength) < 0) return BlockStatus::Damaged;
    return BlockStatus::Sound;
}

bool PeekStoredBlock(PackageReader& reader, u32 offset, StoredBlock* block, const u8** stored) {
    const u8* field = reader.Ahead(offset, 2);
    if (!field) return false;
    *block = StoredBlock();
    block->storedLength = LoadU16(field);
    if (block->storedLength == 0) return true;
    field = reader.Ahead(offset, DataBlockPrefixSize + block->storedLength);
    if (!field) return false;
    block->decodedChecksum = LoadU32(field + 2);
    block->storedChecksum = LoadU32(field + 6);
    *stored = field + DataBlockPrefixSize;
    return true;
}

bool DecodeStoredBlock(const StoredBlock& block, u8* buffer, u32* length, u32 capacity, DecodeWorkspace* workspace) {
    if (block.storedLength == 0) {
        *length = 0;
        return true;
    }
    if (BlockChecksum(buffer, block.storedLength, ChecksumStart) != block.storedChecksum) return false;
    u32 decoded = block.storedLength;
    if (!DecodeBlock(buffer, &decoded, capacity, workspace)) return false;
    if (BlockChecksum(buffer, decoded, ChecksumStart) != block.decodedChecksum) return false;
    *length = decoded;
    return true;
}

BlockStatus ReadDataBlock(PackageReader& reader, u8* buffer, u32* length, u32 capacity) {
    StoredBlock block;
    if (!buffer) {
        BlockStatus status = ReadPrefix(reader, &block);
        if (status != BlockStatus::Sound) return status;
        if (block.storedLength) {
            // Skipped bytes go through a scratch buffer; a failed read has been recorded by
            // the reader, and the caller finds out before its next block.
            u8* scratch = new u8[block.storedLength];
            reader.ReadPackageBytes(scratch, block.storedLength);
            delete[] scratch;
        }
        *length = block.storedLength;
        return BlockStatus::Sound;
    }
    BlockStatus status = ReadStoredBlock(reader, buffer, capacity, &block);
    if (status != BlockStatus::Sound) return status;
    return DecodeStoredBlock(block, buffer, length, capacity) ? BlockStatus::Sound : BlockStatus::Damaged;
}
