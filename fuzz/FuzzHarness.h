// A fresh host "process" whose running executable is an in-memory file holding the given
// Package stream, so that fuzz inputs go through the real reader and platform code.
#pragma once
#include <cstddef>

#include "state/Types.h"

// Resets the reader, SetupState and the host platform, then makes an executable whose
// Package (after a one-byte stand-in for the Stub and an unchecked ExpectedSize) is `stream`.
// Every prompt is answered Cancel; a failed volume switch throws HostProcessExit.
void StartProcessOver(const u8* stream, std::size_t size);
