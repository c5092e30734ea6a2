// The Stub's own locator, in its initialised data, where the builder patches the offset.
#pragma once
#include "state/Types.h"

// The PackageOffset the builder stored in the running executable's locator.
u32 EmbeddedPackageOffset();
// Stores an offset in memory, as the builder does in the file (host tests).
void PatchEmbeddedPackageOffset(u32 offset);
