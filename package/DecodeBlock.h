// The whole decoding pipeline of one DataBlock's stored bytes, in place.
#pragma once
#include "state/Types.h"

// buffer holds *length stored bytes on entry and the payload on exit (at most capacity).
// False when damaged input breaks a bound of the pipeline; otherwise the caller's
// checksum of the decoded bytes judges the result.
bool DecodeBlock(u8* buffer, u32* length, u32 capacity);
