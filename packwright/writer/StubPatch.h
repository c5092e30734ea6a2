// The package locator inside a Stub, as the writer finds and patches it.
#pragma once
#include <cstddef>

#include "packwright/encoder/BlockEncoder.h"

// Position of the locator's marker, which the stub must hold exactly once (a second one
// could leave the Stub and its readers disagreeing about which one counts), with room for
// the offset after it. Throws WriterError when it is missing or repeated.
std::size_t FindStubLocator(const u8* bytes, std::size_t length);

// Copy of the stub with packageOffset stored after its marker.
ByteVector PatchLocator(const ByteVector& stub, u32 packageOffset);
