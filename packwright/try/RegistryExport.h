// Reads the file `reg export` writes (UTF-16, the REGEDIT4-like text of version 5): keys, and
// values with their type and data.
#pragma once
#include <string>
#include <vector>

#include "packwright/try/PrefixSnapshot.h"

struct ExportedItem {
    bool isKey = false;
    std::string key;   // "HKEY_LOCAL_MACHINE\Software\..."
    std::string name;  // values only; "@" is the default value
    SnapshotValue value;
};

// `utf16` is the file's bytes, byte-order mark first; texts come out in UTF-8.
std::vector<ExportedItem> ReadRegistryExport(const std::string& utf16);
