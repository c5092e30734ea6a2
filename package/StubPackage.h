// The Stub's one package reader: volumes through the platform's files, decisions asked of
// the user in message boxes, and the outcome kept in SetupState. The operations keep the
// names by which the rest of the Stub knows them.
#pragma once
#include "package/PackageReader.h"
#include "state/Types.h"

PackageReader& StubReader();

bool OpenNextVolume();
void CloseVolume();
// n, or -1 when a read failed and the user cancelled (Cancelled is then set). When the next
// volume cannot be had in the middle of a read, the process ends with exit code 1.
int ReadPackageBytes(void* buffer, u32 n);
const char* ReadCountedString();
// One CountedString into line (256 bytes), raw bytes as stored and NUL-terminated: its
// length, or -1 when the read failed (Cancelled is then set).
int ReadPackageLine(u8* line);
u32 PackageOffset();
// A DataBlock read, checked and decoded (or skipped without a buffer). A block that fails
// a check, or whose stored bytes cannot be read, sets Corrupted and gives false.
bool ReadDataBlock(u8* buffer, u32* length, u32 capacity);
// The mode byte and header into SetupState. False when the install header's block is
// damaged or too short for its fields (Corrupted is then set), or cannot be read: such a
// Package cannot be trusted to install anything.
bool ReadPackageHeader();

// Back to the state before the first open (host tests).
void ResetStubReader();
