// The package locator: the marker the Stub carries in its data, followed directly by the
// u32 PackageOffset, the file offset of the Package in the first volume (0: no Package).
// How readers find it in a file, and the Stub's own copy, where the builder patches the offset.
#pragma once
#include <cstddef>

#include "state/Types.h"

// The marker's characters one by one, for the one place that embeds them (the Stub's
// locator) and the one that looks for them; no other copy of the text exists.
#define PACKWRIGHT_LOCATOR_MARKER {'W', 'H', 'E', 'R', 'E', 'T', 'O', 'S', 'T', 'A', 'R', 'T', 'S', 'T', 'R', 'I', 'N', 'G', ':'}
constexpr u32 LocatorMarkerLength = 19;
// The marker and the offset after it.
constexpr u32 LocatorLength = LocatorMarkerLength + 4;

// The marker as text, for tools and tests (the Stub never uses it: a second copy in its
// data would be a second marker).
inline constexpr char LocatorMarkerText[LocatorMarkerLength + 1] = PACKWRIGHT_LOCATOR_MARKER;

struct PackageLocator {
    char marker[LocatorMarkerLength];
    u8 offset[4];
};

// The rule every reader and writer follows: the locator is the first marker in the file.
// Returns the position of that marker's first byte, or `length` when the bytes hold none.
// A marker too close to the end to be followed by its offset still counts as found: the
// caller tells that apart by the room that is left.
std::size_t FindLocator(const u8* bytes, std::size_t length);

// The PackageOffset the builder stored in the running executable's locator.
u32 EmbeddedPackageOffset();
// Stores an offset in memory, as the builder does in the file (host tests).
void PatchEmbeddedPackageOffset(u32 offset);
