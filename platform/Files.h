// Files as the Stub uses them: sequential reading of its own volumes, and copies.
#pragma once
#include "platform/Handles.h"

// Opens an existing file for sequential reading, sharing read and write; null on failure.
FileHandle PlatformOpenForRead(const char* path);
// Reads up to count bytes; false on a read error. *got receives the bytes read (0 at the end).
bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got);
// Size of the whole file.
u32 PlatformFileSize(FileHandle file);
// Moves the read position to offset bytes from the beginning.
void PlatformSeek(FileHandle file, u32 offset);
void PlatformClose(FileHandle file);

// Copies a file, replacing an existing target.
bool PlatformCopyFile(const char* from, const char* to);
