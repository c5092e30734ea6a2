// The encoder of the block format: the exact inverse of the Stub's four decoding stages.
// Host only; the Stub contains no encoder.
#pragma once
#include <cstddef>
#include <vector>

#include "state/Types.h"

using ByteVector = std::vector<u8>;

// How the entropy stage codes further repetitions of a move-to-front code.
enum class RunChoice {
    Always,    // a RunSymbol whenever one fits
    Cheapest,  // literals, a RunSymbol or both, whichever costs least under the model
};

// How a block's run-coding mode (the byte that ExpandRuns reads first) is chosen.
enum class RunModeChoice {
    Estimate,  // run-coded when escape pairs shorten the payload by 1% or more, else plain
    Smaller,   // encode both and keep the smaller: about 0.01% smaller, twice the time
    Plain,     // mode 0, or mode 1 where mode 0 would not fit the record
    RunCoded,  // mode 1, or mode 0 where mode 1 would not fit the decoder or the record
};

// The encoder's free choices. The defaults give the best size for the time spent.
struct EncoderOptions {
    RunModeChoice runMode = RunModeChoice::Estimate;
    std::size_t minEscapedCopies = 4;  // fewer repeats stay literal before the transform
    RunChoice runChoice = RunChoice::Cheapest;
};

// Run-length coding as ExpandRuns reads it: mode byte 1 and the coded data, or mode 0 and
// the data unchanged.
ByteVector CodeRuns(const u8* data, std::size_t length, bool runCoded, std::size_t minEscapedCopies = 4);
// PrimaryIndex (u32) followed by the last column of the sorted rotations.
ByteVector BurrowsWheeler(const ByteVector& input);
ByteVector MoveToFront(const ByteVector& input);
// Arithmetic coding of move-to-front codes (at most DecodeCapacity) with the shared
// FrequencyModel, ended by EndSymbol (or, when the codes fill the decoder's buffer, by a
// literal) and flushed so the decoder's 16-bit register sees the final interval.
ByteVector EntropyEncode(const ByteVector& codes, const EncoderOptions& options = {});

// Payload (at most DecodeCapacity - 5 bytes) to stored bytes, through all four stages.
// Throws std::runtime_error for a longer payload, or one whose stored bytes would exceed
// the record's 65535 (random data of more than about 65400 bytes); 65000 always fits.
ByteVector EncodeBlockPayload(const u8* data, std::size_t length, const EncoderOptions& options = {});
// A complete DataBlock record: u16 stored length, decoded checksum, stored checksum, bytes.
// The payload must not be empty: an empty record is the end marker.
ByteVector EncodeDataBlock(const u8* data, std::size_t length);
// The end marker of a block list.
ByteVector EndMarker();
