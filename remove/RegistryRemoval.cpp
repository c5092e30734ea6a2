#include "remove/RegistryRemoval.h"

#include <cstring>

#include "package/RegistryLine.h"
#include "package/StubPackage.h"
#include "remove/RemovalList.h"

namespace {
const char DefaultValueName[] = "@";

// Reads past the rest of a group whose key is of no use.
void SkipGroup() {
    while (*ReadCountedString()) {
    }
}
}  // namespace

void DeleteLoggedValues(RegistryKey key) {
    for (;;) {
        const char* name = ReadCountedString();
        if (!*name) return;
        // "@" stands for the default value, so a value really named "@" cannot be logged.
        PlatformDeleteValue(key, std::strcmp(name, DefaultValueName) == 0 ? nullptr : name);
    }
}

void RemoveRegistryEntries() {
    RemovalList keys;
    for (;;) {
        char line[CountedStringCapacity];
        std::strcpy(line, ReadCountedString());
        if (!line[0]) break;
        if (line[0] != ':') continue;
        const char* subKey = nullptr;
        RegistryRoot root = MatchRegistryRoot(line + 1, &subKey);
        u32 rootHandle = RegistryRootHandle(root);
        RegistryKey key = root == RegistryRoot::None ? nullptr : PlatformOpenKey(PlatformRegistryRoot(rootHandle), subKey, true);
        // A group whose key cannot be had is passed over whole, so that the groups after
        // it, the uninstall registration among them, are still removed.
        if (!key) {
            SkipGroup();
            continue;
        }
        DeleteLoggedValues(key);
        PlatformCloseKey(key);
        keys.AddEntry(subKey, rootHandle);
    }
    keys.PruneEmptyKeys();
}
