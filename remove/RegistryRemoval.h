// The registry part of the InstallLog: groups of a key line (":" ROOT "\" key), the names of
// the values the installation set in that key ("@" for the default value), and an empty
// line. The values go, and every key left empty goes with its emptied ancestors.
#pragma once
#include "platform/Registry.h"

// Reads and processes the registry part up to its closing empty line.
void RemoveRegistryEntries();
// Reads the value names of one group up to its empty line and deletes each from key; a
// value that is not there is passed over.
void DeleteLoggedValues(RegistryKey key);
