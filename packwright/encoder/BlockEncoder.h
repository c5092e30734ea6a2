// The encoder of the block format: the exact inverse of the Stub's four decoding stages.
// Host only; the Stub contains no encoder.
#pragma once
#include <cstddef>
#include <vector>

#include "state/Types.h"

using ByteVector = std::vector<u8>;

// Run-length coding as ExpandRuns reads it: mode byte 1 and the coded data, or mode 0 and
// the data unchanged.
ByteVector CodeRuns(const u8* data, std::size_t length, bool runCoded);
// PrimaryIndex (u32) followed by the last column of the sorted rotations.
ByteVector BurrowsWheeler(const ByteVector& input);
ByteVector MoveToFront(const ByteVector& input);
// Arithmetic coding of move-to-front codes with the shared FrequencyModel, ended by
// EndSymbol and flushed so the decoder's 16-bit register sees the final interval.
ByteVector EntropyEncode(const ByteVector& codes);

// Payload (at most DecodeCapacity - 5 bytes) to stored bytes, through all four stages.
ByteVector EncodeBlockPayload(const u8* data, std::size_t length);
// A complete DataBlock record: u16 stored length, decoded checksum, stored checksum, bytes.
// The payload must not be empty: an empty record is the end marker.
ByteVector EncodeDataBlock(const u8* data, std::size_t length);
// The end marker of a block list.
ByteVector EndMarker();
