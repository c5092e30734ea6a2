// Finding a resource's bytes in a Windows executable, for reading and for filling in place.
// Every offset comes from the file itself and is checked against its size: any input is safe.
#pragma once
#include <cstddef>
#include <optional>

#include "state/Types.h"

constexpr u32 VersionResourceType = 16;  // RT_VERSION
constexpr u32 ManifestResourceType = 24;  // RT_MANIFEST

// Where a resource's data lies in the file.
struct ResourceBytes {
    std::size_t offset = 0;
    std::size_t size = 0;
};

// The data of the first resource of a type (its first name, its first language); nothing when
// the bytes are not a PE image or hold no such resource.
std::optional<ResourceBytes> FindResource(const u8* data, std::size_t size, u32 type);
