// Reads a build manifest (TOML) into a Manifest. Syntax and type mistakes, unknown keys and
// missing required keys go to the diagnostics with their line; the format's own limits are
// checked afterwards (ManifestChecks.h).
#pragma once
#include <string>

#include "packwright/builder/Diagnostics.h"
#include "packwright/builder/Manifest.h"

Manifest ReadManifest(const std::string& path, Diagnostics& diagnostics);

// "1440 KiB", "1.44 MB", "650000000": bytes, or false when the text is not a size.
bool ParseByteSize(const std::string& text, std::uint64_t* bytes);
