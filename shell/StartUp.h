// The program's start: open the Package, read its header, let an Uninstaller move to a
// temporary copy, show the BackgroundWindow, post the start message and run the loop.
#pragma once
#include "platform/Handles.h"
#include "shell/RunModeHandlers.h"

// Runs the whole program and returns its exit code: 1 when the Package cannot be opened or
// the window cannot be made, 0 when an Uninstaller has handed over to its copy. A normal
// run ends inside the loop, when the window is closed. The window's start message goes to
// the matching handler.
int RunStartUp(InstanceHandle instance, const char* commandLineTail, const RunModeHandlers& handlers);

// Uninstall mode's first process: copies the executable into a new folder of the temporary
// directory that only administrators and the system may change, and starts the copy with
// "/step2" while holding the mutex the copy waits on. True when the copy was started and this
// process should end.
bool RelaunchFromTemporaryCopy();
