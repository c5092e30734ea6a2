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
