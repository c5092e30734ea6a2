// Registry keys that belong to the system, in any root: "Software", "Software\Classes", the
// keys on the way to "Software\Microsoft\Windows\CurrentVersion", and that key's direct
// subkeys ("Uninstall", "Run", "RunOnce", "SharedDLLs", "App Paths" ...). Installations put
// their entries into them, and a fresh system may hold them empty, so removing the last of
// those entries never makes them the installation's to delete.
#pragma once

// True for such a key path (below its root), compared without regard to case.
bool IsSystemKey(const char* path);
