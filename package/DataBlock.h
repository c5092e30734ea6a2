// One DataBlock record of the Package stream: read, checked with both checksums and
// decoded, or skipped unchecked.
#pragma once
#include "state/Types.h"

// With a buffer: on true it holds the decoded bytes and *length their count (0 for the end
// marker). Without one (skip mode): the record is consumed unchecked and *length is its
// stored length. A block that fails a check sets Corrupted and gives false.
bool ReadDataBlock(u8* buffer, u32* length, u32 capacity);

// Bytes before the stored bytes: the u16 stored length and the two u32 checksums.
constexpr u32 DataBlockPrefixSize = 10;
