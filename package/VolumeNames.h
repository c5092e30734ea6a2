// Where the volumes after the first are found: beside the executable, named after it.
#pragma once
#include "state/Types.h"

// The path of volume `index` for an executable path: everything from the last "." replaced
// by "." and the index in at least three digits (appended when the path has no "."), so
// C:\SETUP\INSTALL.EXE continues in C:\SETUP\INSTALL.001. False when the result would not
// fit in capacity bytes.
bool VolumePath(const char* executablePath, u32 index, char* out, u32 capacity);

// The text after the last path separator: the name the prompts show.
const char* FileNamePart(const char* path);
