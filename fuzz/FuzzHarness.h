// A fresh host "process" whose running executable is an in-memory file holding the given
// Package stream, so that fuzz inputs go through the real reader and platform code.
#pragma once
#include <cstddef>
#include <string>

#include "state/Types.h"

// Resets the reader, SetupState and the host platform, then makes an executable whose
// Package (after a one-byte stand-in for the Stub and an unchecked ExpectedSize) is `stream`.
// Every prompt is answered Cancel; a failed volume switch throws HostProcessExit.
void StartProcessOver(const u8* stream, std::size_t size);

// Writes an installer file around `stream`: a small stand-in Stub with the locator marker
// and offset, then an unchecked ExpectedSize and the stream. Returns its path (in memory).
// Like StartProcessOver, it starts a "process" that EndProcess ends.
std::string WriteInstaller(const u8* stream, std::size_t size);

// Ends the "process" started by StartProcessOver. After an exit (HostProcessExit) it does
// to memory what the end of a real process does: frees every array the reader code
// allocated and still held (an exit can come in the middle of a read that holds a buffer).
// After a normal end it frees nothing, so that anything still held shows as a leak.
void EndProcess(bool exited);
