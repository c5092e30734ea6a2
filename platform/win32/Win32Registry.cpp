// The registry on Windows.
#include <windows.h>

#include "platform/Registry.h"

namespace {
HKEY Key(RegistryKey key) { return static_cast<HKEY>(key); }
}  // namespace

RegistryKey PlatformRegistryRoot(u32 root) { return reinterpret_cast<RegistryKey>(static_cast<uptr>(root)); }

RegistryKey PlatformCreateKey(RegistryKey parent, const char* subKey) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(Key(parent), subKey, 0, const_cast<char*>(""), 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return nullptr;
    return key;
}

RegistryKey PlatformOpenKey(RegistryKey parent, const char* subKey, bool write) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(Key(parent), subKey, 0, write ? KEY_ALL_ACCESS : KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
    return key;
}

void PlatformCloseKey(RegistryKey key) {
    if (key) RegCloseKey(Key(key));
}

bool PlatformQueryValue(RegistryKey key, const char* name, u32* type, void* data, u32* size) {
    DWORD valueType = 0;
    DWORD length = *size;
    LONG result = RegQueryValueExA(Key(key), name, nullptr, &valueType, static_cast<BYTE*>(data), &length);
    *size = length;
    if (type) *type = valueType;
    return result == ERROR_SUCCESS;
}

bool PlatformSetValue(RegistryKey key, const char* name, u32 type, const void* data, u32 size) {
    return RegSetValueExA(Key(key), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

bool PlatformDeleteValue(RegistryKey key, const char* name) { return RegDeleteValueA(Key(key), name) == ERROR_SUCCESS; }

bool PlatformDeleteKey(RegistryKey parent, const char* subKey) { return RegDeleteKeyA(Key(parent), subKey) == ERROR_SUCCESS; }

bool PlatformKeyCounts(RegistryKey key, u32* subKeys, u32* values) {
    DWORD keys = 0;
    DWORD valueCount = 0;
    if (RegQueryInfoKeyA(Key(key), nullptr, nullptr, nullptr, &keys, nullptr, nullptr, &valueCount, nullptr, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return false;
    *subKeys = keys;
    *values = valueCount;
    return true;
}
