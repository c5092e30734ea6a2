// Every writer of a file makes the folders on its path first.
#pragma once
#include "platform/Handles.h"

// Creates every directory on path up to its last backslash (never the drive, never the last
// component). On failure, the first of a run (while InstallOk still holds) shows "Could
// not create target directory." owned by owner, and clears InstallOk.
bool CreateParentDirectories(WindowHandle owner, const char* path);
