// One DataBlock record of the Package stream: u16 stored length (0 ends a block list), u32
// checksum of the decoded bytes, u32 checksum of the stored bytes, the stored bytes.
// Reading the stored bytes and decoding them are separate steps, so that decoding can run
// somewhere else while the stream is read on.
#pragma once
#include "package/DecodeBlock.h"
#include "package/PackageReader.h"
#include "state/Types.h"

// Bytes before the stored bytes: the u16 stored length and the two u32 checksums.
constexpr u32 DataBlockPrefixSize = 10;

enum class BlockStatus : u8 {
    Sound,       // read (and, where asked, checked and decoded)
    Unreadable,  // the length or a checksum field could not be read
    Damaged,     // the stored bytes could not be read, or a check failed
};

struct StoredBlock {
    u32 storedLength = 0;  // 0: the end marker
    u32 decodedChecksum = 0;
    u32 storedChecksum = 0;
};

// Reads one record; its stored bytes go to buffer (capacity bytes). A record whose stored
// bytes do not fit is Damaged.
BlockStatus ReadStoredBlock(PackageReader& reader, u8* buffer, u32 capacity, StoredBlock* block);

// The record at offset of the open volume, as the reader's window gives it without reading
// it (PackageReader::Ahead): its fields, and *stored pointing at its stored bytes, valid until
// the next read. False when the window cannot give all of it.
bool PeekStoredBlock(PackageReader& reader, u32 offset, StoredBlock* block, const u8** stored);
// The record's size in the stream.
inline u32 StoredBlockSize(const StoredBlock& block) {
    return block.storedLength ? DataBlockPrefixSize + block.storedLength : 2;
}

// Checks the stored bytes in buffer against their checksum, decodes them in place and checks
// the result: true with *length the decoded count, false for a damaged block. capacity is
// that of buffer, at least the stored length. A decoder that keeps a workspace passes it.
bool DecodeStoredBlock(const StoredBlock& block, u8* buffer, u32* length, u32 capacity,
                       DecodeWorkspace* workspace = nullptr);

// Both steps. With a buffer: on Sound it holds the decoded bytes and *length their count (0
// for the end marker). Without one (skip mode): the record is consumed unchecked and *length
// is its stored length; a failed read of the stored bytes still gives Sound, and the reader
// has recorded that the read was given up.
BlockStatus ReadDataBlock(PackageReader& reader, u8* buffer, u32* length, u32 capacity);
