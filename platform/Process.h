// The running process: its executable, its directories, its end, and the Uninstaller's
// hand-over to a copy of itself (a named mutex and a started process).
#pragma once
#include "platform/Handles.h"

// Full path of the running executable; false when it cannot be had or does not fit.
bool PlatformModulePath(char* buffer, u32 capacity);

// Ends the process at once, without clean-up.
[[noreturn]] void PlatformExitProcess(int code);

// The temporary and the Windows directory as the system reports them (the first usually
// with a trailing backslash); false when they cannot be had or do not fit.
bool PlatformTempDirectory(char* buffer, u32 capacity);
bool PlatformWindowsDirectory(char* buffer, u32 capacity);

// A number that differs from one process to the next, to name a fresh folder. It need not be
// secret: the folder's creation fails when the name is taken.
u32 PlatformUniqueNumber();

// Creates the named mutex owned by this process. The handle is never closed, so ownership
// ends only with the process.
void PlatformCreateOwnedMutex(const char* name);
// Opens or creates the named mutex without owning it and waits, without a time-out, until
// it is free or abandoned. Returns at once when the mutex cannot be had at all.
void PlatformWaitForMutex(const char* name);
// Starts a program with its own command line and working directory, and when asked waits
// for it to end. Returns -1 when it could not be started, else the program's exit code
// when waited for, 0 when not.
int PlatformStartProcess(const char* commandLine, const char* workingDirectory, bool wait);
