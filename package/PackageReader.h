// The Package as one sequential byte stream: found through the locator in the running
// executable, continued across volume files, with the disk, damage and read-error prompts.
#pragma once
#include "state/Types.h"

// Opens the next volume and checks its ExpectedSize; false when it cannot be had.
bool OpenNextVolume();
void CloseVolume();
// Reads n bytes, switching volumes as needed: n, or -1 when a read failed and was cancelled.
// A volume switch that fails ends the process with exit code 1.
int ReadPackageBytes(void* buffer, u32 n);
// A CountedString, NUL-terminated; valid until the next call. "" when a read failed.
const char* ReadCountedString();
// Offset of the Package inside the first volume: the size of the Stub.
u32 PackageOffset();

// Number of volumes opened successfully so far.
u32 VolumeCount();
// The path of volume index for an executable path: everything from the last "." replaced
// by ".%03d" (appended when the path has no "."). The result fits PathCapacity or is false.
bool VolumePath(const char* executablePath, u32 index, char* out);
// The text after the last path separator: what the prompts show.
const char* FileNamePart(const char* path);

// Back to the state before the first open (tests, tools).
void ResetPackageReader();
