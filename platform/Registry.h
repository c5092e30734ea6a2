// The registry: keys opened or created under a root, values read, written and deleted, and
// keys that became empty removed.
#pragma once
#include "platform/Handles.h"

using RegistryKey = void*;

// The roots by their predefined handle values, as the Package's registry lines name them.
enum : u32 { RootClassesRoot = 0x80000000u, RootCurrentUser = 0x80000001u, RootLocalMachine = 0x80000002u };
RegistryKey PlatformRegistryRoot(u32 root);

enum : u32 { RegString = 1, RegBinary = 3, RegDword = 4 };

// Creates (or opens) subKey under parent with full access; null on failure.
RegistryKey PlatformCreateKey(RegistryKey parent, const char* subKey);
// Opens an existing key, for reading only or with full access; null on failure.
RegistryKey PlatformOpenKey(RegistryKey parent, const char* subKey, bool write);
void PlatformCloseKey(RegistryKey key);
// Reads a value into data (capacity in *size, the value's size out); a null name is the
// default value. False when it is missing or does not fit.
bool PlatformQueryValue(RegistryKey key, const char* name, u32* type, void* data, u32* size);
bool PlatformSetValue(RegistryKey key, const char* name, u32 type, const void* data, u32 size);
bool PlatformDeleteValue(RegistryKey key, const char* name);
// Deletes a key that has no subkeys.
bool PlatformDeleteKey(RegistryKey parent, const char* subKey);
// How many subkeys and values a key holds; false when that cannot be asked.
bool PlatformKeyCounts(RegistryKey key, u32* subKeys, u32* values);
