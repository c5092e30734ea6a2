// The package locator: a marker the setup builder searches for, then the offset of the
// Package, which it patches. Stored as one initialised object, with the marker spelled out
// character by character so that no separate copy of the text exists anywhere in the Stub.
#include "shell/platform/Platform.h"

namespace {
struct PackageLocator {
    char marker[19];
    u8 offset[4];
};
}  // namespace

// Volatile and writable: it lives in the initialised data, and the compiler can neither
// drop it nor fold the 0 the unpatched Stub carries into the code that reads it.
extern "C" volatile PackageLocator g_packageLocator;
volatile PackageLocator g_packageLocator __attribute__((used)) = {
    {'W', 'H', 'E', 'R', 'E', 'T', 'O', 'S', 'T', 'A', 'R', 'T', 'S', 'T', 'R', 'I', 'N', 'G', ':'},
    {0, 0, 0, 0}};

u32 PlatformLocatorOffset() {
    u8 bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = g_packageLocator.offset[i];
    return LoadU32(bytes);
}
