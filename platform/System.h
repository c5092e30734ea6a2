// The system as a whole: which family it is, its disks, its restart, its processors.
#pragma once
#include "platform/Handles.h"

// True on the NT family, which has its own list of moves at restart.
bool PlatformIsNt();
// The allocation unit of the volume that holds a root path such as "D:\"; false when it
// cannot be had (no medium, no such drive).
bool PlatformDiskGeometry(const char* root, u32* sectorsPerCluster, u32* bytesPerSector);
// Asks the system to restart.
void PlatformRestartSystem();
// Milliseconds since some moment (the system's start), wrapping around.
u32 PlatformTickCount();
// Processors the program may use (at least 1).
u32 PlatformProcessorCount();
