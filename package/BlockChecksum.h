// The 32-bit table-driven checksum of every DataBlock and of the install password.
#pragma once
#include "state/Types.h"

constexpr u32 ChecksumStart = 0xFFFFFFFF;

// Chains: the checksum of a then b equals BlockChecksum(b, BlockChecksum(a, start)).
u32 BlockChecksum(const void* bytes, u32 count, u32 initial);
