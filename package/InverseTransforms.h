// The inverse stages of the block pipeline after entropy decoding. Each checks the bounds
// a correct Package always respects and reports false when damaged input breaks them.
#pragma once
#include "state/Types.h"

void InverseMoveToFront(const u8* input, u8* output, u32 length);

// Input: PrimaryIndex (u32) and n bytes of the last column. Writes n bytes, sets length to n.
// False when the input is shorter than the index or the index is not below n.
bool InverseBurrowsWheeler(const u8* input, u8* output, u32* length);

// Input: mode byte and data. Sets length to the bytes written. False when the output would
// pass capacity or a run-coded input ends in a lone escape byte.
bool ExpandRuns(const u8* input, u8* output, u32* length, u32 capacity);
