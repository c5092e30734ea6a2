// What the engine asks of a file already on the system: its version, and the system-wide
// count of installations that share it.
#pragma once
#include "state/Types.h"

// True when the file has a version resource whose FileVersion is not 0.0.0.0; version gets
// its four parts (all 0 otherwise).
bool ReadFileVersion(const char* path, u16 version[4]);

// Under HKEY_LOCAL_MACHINE: one REG_DWORD per shared file, named by its path, counting the
// installations that use it. Installing counts up, uninstalling down.
inline constexpr char SharedCountsKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

// Raises by one the SharedDLLs count of a shared file (a missing count is 0). A key that
// cannot be opened is ignored.
void RaiseSharedCount(const char* path);
