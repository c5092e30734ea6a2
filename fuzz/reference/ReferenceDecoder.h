// The block decoder written plainly, step by step, without any speed work: the fuzzer
// compares the tuned decoder against it, so a faster path can never change a result.
#pragma once
#include "state/Types.h"

namespace reference {
bool DecodeBlock(u8* buffer, u32* length, u32 capacity);
}
