#include "install/InstalledFiles.h"

#include "platform/Files.h"
#include "platform/Registry.h"

bool ReadFileVersion(const char* path, u16 version[4]) {
    for (int i = 0; i < 4; ++i) version[i] = 0;
    if (!PlatformFileVersion(path, version)) {
        for (int i = 0; i < 4; ++i) version[i] = 0;
        return false;
    }
    return (version[0] | version[1] | version[2] | version[3]) != 0;
}

void RaiseSharedCount(const char* path) {
    char fullPath[PathCapacity];
    if (!PlatformFullPath(path, fullPath, sizeof fullPath)) return;
    RegistryKey key = PlatformCreateKey(PlatformRegistryRoot(RootLocalMachine), SharedCountsKey);
    if (!key) return;
    u8 data[4] = {0, 0, 0, 0};
    u32 size = sizeof data;
    u32 type = 0;
    u32 count = PlatformQueryValue(key, fullPath, &type, data, &size) && size == 4 ? LoadU32(data) : 0;
    StoreU32(data, count + 1);
    PlatformSetValue(key, fullPath, RegDword, data, 4);
    PlatformCloseKey(key);
}
