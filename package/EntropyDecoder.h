// First stage of block decoding: adaptive arithmetic decoding of the stored bytes into
// move-to-front codes, with RunSymbol (a run of the last literal) and EndSymbol.
#pragma once
#include "package/FrequencyModel.h"
#include "state/Types.h"

// Returns the number of bytes written to output. *ok becomes false when a run had to be
// cut at the capacity or the stream broke off; the block's checksum is the real judge.
u32 EntropyDecode(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok);

// The first two stages in one pass: the bytes that the inverse move-to-front stage makes
// of the codes, written instead of the codes, and in counts how often each byte value
// occurs among them.
u32 DecodeEntropyAndMoveToFront(const u8* stored, u32 storedLength, u8* output, u32 capacity, bool* ok,
                                u32 counts[256]);
