// One logged file removed, with the questions a user may have to answer about it.
#pragma once
#include "platform/Handles.h"

// Removes one file, asking the user where it cannot simply be deleted (read-only, in use).
// True means go on: the file is gone, was never there, or the user chose to keep it; false
// means the user chose Cancel.
bool DeleteWithPrompts(const char* path, WindowHandle owner);
