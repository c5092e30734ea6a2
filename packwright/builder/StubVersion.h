// The installer's version resource: what Windows shows about it (Explorer, the elevation
// prompt). The Stub carries the resource with fixed slots; this fills them for the product.
#pragma once
#include <string>

#include "packwright/builder/Diagnostics.h"
#include "packwright/builder/Manifest.h"
#include "packwright/encoder/BlockEncoder.h"

// Fills the stub's version resource from the manifest: ProductName the title,
// FileDescription "<title> Setup", CompanyName the publisher, LegalCopyright the copyright,
// ProductVersion and FileVersion (strings and numbers) the version, OriginalFilename the
// installer's file name. A text longer than its slot is a manifest error (a file name too
// long, a BuildError). A stub without a version resource is left alone.
void FillStubVersion(ByteVector& stub, const Manifest& manifest, const std::string& fileName, Diagnostics& d);

// The numbers of a checked version text ("1.2" to "1.2.3.4"), missing parts 0.
std::array<u16, 4> ProductVersionNumbers(const std::string& version);
