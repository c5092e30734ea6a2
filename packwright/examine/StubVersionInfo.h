// The version resource of an installer's Stub, as Windows shows it: the strings the builder
// filled (product, description, publisher, copyright, versions, original file name) and the
// version numbers.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "state/Types.h"

struct StubVersionInfo {
    std::vector<std::pair<std::string, std::string>> strings;  // key, UTF-8 text, in the resource's order
    std::array<u16, 4> numbers{};
};

// Reads the first `stubSize` bytes of the file (all of it up to 16 MiB when 0); nothing when
// they hold no version resource.
std::optional<StubVersionInfo> ReadStubVersionInfo(const std::string& path, u32 stubSize);
