// The package locator inside the Stub: a marker followed by the u32 PackageOffset.
#pragma once
#include <cstddef>
#include <optional>

#include "packwright/encoder/BlockEncoder.h"

inline constexpr char LocatorMarker[] = "WHERETOSTARTSTRING:";
inline constexpr std::size_t LocatorMarkerLength = sizeof LocatorMarker - 1;

// Position of the marker's first byte, when the bytes hold it exactly once with room for
// the offset after it. Throws WriterError when it is missing or repeated.
std::size_t FindLocator(const u8* bytes, std::size_t length);

// Copy of the stub with packageOffset stored after its marker.
ByteVector PatchLocator(const ByteVector& stub, u32 packageOffset);
