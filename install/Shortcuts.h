// The shortcut section: one shortcut file per line, each logged for the Uninstaller.
#pragma once
#include "platform/Handles.h"

// Reads the section to its end (an empty line, or a line without "="), creating each
// shortcut. From here on the user cannot cancel. Always true.
bool CreateShortcuts(WindowHandle dialog);

// Saves a shortcut at link that opens target; true when it was saved.
bool CreateShellLink(const char* link, const char* target, const char* arguments, const char* workingDirectory);
