// Appending to the InstallLog: the records that follow UNINST.EXE's companion header, which
// the Uninstaller replays. While no log is open (no uninstall name, or no uninstaller could
// be written) every call does nothing.
#pragma once
#include "state/Types.h"

// Appends count bytes at the open log: count, or -1 when the write fails or comes up short
// or no log is open.
int LogBytes(const void* bytes, u32 count);
// Appends text as a CountedString (its first 255 characters) in one write; what LogBytes
// returns.
int LogCountedString(const char* text);
// Closes the log, if one is open.
void CloseInstallLog();
