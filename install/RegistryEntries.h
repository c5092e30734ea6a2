// The registry section: keys and values created as the Package names them, and logged per
// key (the key line, its value names, an empty line) so that the Uninstaller deletes those
// values and prunes keys left empty; then the two groups the installation itself fills.
#pragma once
#include "platform/Handles.h"
#include "platform/Registry.h"

// Reads the section to its empty line. From here on the user cannot cancel. Always true.
bool CreateRegistryEntries(WindowHandle dialog);

// Logs the two groups the installation fills itself (remembered choices, uninstall
// registration) when there is an uninstall name. CreateRegistryEntries ends with them; an
// installation that never reaches the registry section logs them alone, so that its
// Uninstaller still takes the product off the system's list.
void LogInstallationKeys();

// Creates subKey under root with every key on the way ("A\B\C": A, A\B, A\B\C) and returns
// the last one open (null on failure). subKey is changed during the call and restored.
RegistryKey CreateKeyPath(RegistryKey root, char* subKey);
