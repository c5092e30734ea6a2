// Why a DataBlock's stored bytes fail, for readers that tell their user what went wrong and
// need to know whether the stream can still be followed past it: when the stored bytes
// match their checksum, the length before them was right and the next record starts where
// it should; when they do not, the length itself may be what was damaged.
#pragma once
#include "package/DataBlock.h"
#include "state/Types.h"

enum class BlockFault : u8 {
    None,             // sound; the buffer holds the decoded bytes
    StoredChecksum,   // the stored bytes (or the length before them) are damaged
    Undecodable,      // the stored bytes match their checksum but break the decoder's bounds
    DecodedChecksum,  // they decode, but not to the bytes their checksum was made from
};

// DecodeStoredBlock, telling which check failed. *length is the decoded count on None.
BlockFault DecodeStoredBlockFault(const StoredBlock& block, u8* buffer, u32* length, u32 capacity);
