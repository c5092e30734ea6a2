// The FileVersion of a Windows executable or library, read from its version resource
// (VS_FIXEDFILEINFO), as the installer compares it with an installed copy. Anything that is
// not a well-formed PE file with such a resource gives 0.0.0.0; no input makes it fail.
#pragma once
#include <cstddef>
#include <string>

#include "state/Types.h"

struct FileVersion {
    u16 major = 0, minor = 0, build = 0, revision = 0;
    bool operator==(const FileVersion&) const = default;
};

FileVersion ReadPeFileVersion(const u8* data, std::size_t size);
// Maps the file read-only; a file that cannot be opened also gives 0.0.0.0.
FileVersion ReadPeFileVersionOf(const std::string& path);
