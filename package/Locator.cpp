#include "package/Locator.h"

std::size_t FindLocator(const u8* bytes, std::size_t length) {
    const char* marker = LocatorMarkerText;
    if (length < LocatorMarkerLength) return length;
    for (std::size_t at = 0; at + LocatorMarkerLength <= length; ++at) {
        if (bytes[at] != static_cast<u8>(marker[0])) continue;
        u32 i = 1;
        while (i < LocatorMarkerLength && bytes[at + i] == static_cast<u8>(marker[i])) ++i;
        if (i == LocatorMarkerLength) return at;
    }
    return length;
}

// Volatile and writable: it lives in the initialised data, and the compiler can neither
// drop it nor fold the 0 the unpatched Stub carries into the code that reads it.
extern "C" volatile PackageLocator g_packageLocator;
volatile PackageLocator g_packageLocator __attribute__((used)) = {PACKWRIGHT_LOCATOR_MARKER, {0, 0, 0, 0}};

u32 EmbeddedPackageOffset() {
    u8 bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = g_packageLocator.offset[i];
    return LoadU32(bytes);
}

void PatchEmbeddedPackageOffset(u32 offset) {
    u8 bytes[4];
    StoreU32(bytes, offset);
    for (int i = 0; i < 4; ++i) g_packageLocator.offset[i] = bytes[i];
}
