// The Uninstaller: what UNINST.EXE does with the InstallLog behind its companion header.
// After the user confirms, one forward pass deletes the logged files (asking about
// read-only and locked ones, and counting shared ones down), then the logged registry
// values and the keys they leave empty; the program deletes its own file or leaves that to
// the next restart, reports, and removes the directories the files leave empty, with the
// emptied folders above them up to the program directory.
#pragma once
#include "platform/Handles.h"

// The handler of the start message in Uninstall mode. Ends by posting WM_CLOSE to window,
// which owns every message box it shows.
void RunUninstaller(InstanceHandle instance, WindowHandle window);
