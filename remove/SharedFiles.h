// Files that several products share carry a use count in the registry. Removing one product
// counts down; only the last user is asked whether the file may go.
#pragma once
#include "platform/Handles.h"

// Releases this installation's use of a shared file: counts it down, and when no user is
// left, asks whether to delete it (No is the default answer). True means go on; false
// means the user chose Cancel in a question about the file.
bool ReleaseSharedFile(const char* path, WindowHandle owner);
