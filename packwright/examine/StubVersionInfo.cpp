#include "packwright/examine/StubVersionInfo.h"

#include <fstream>

#include "packwright/pe/VersionResource.h"

std::optional<StubVersionInfo> ReadStubVersionInfo(const std::string& path, u32 stubSize) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<u8> bytes(stubSize ? stubSize : 16u << 20);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    std::optional<VersionLayout> layout = ReadVersionLayout(bytes.data(), bytes.size());
    if (!layout) return std::nullopt;
    StubVersionInfo info;
    for (const VersionString& s : layout->strings) info.strings.emplace_back(s.key, ReadVersionText(bytes.data(), s));
    info.numbers = ReadVersionNumbers(bytes.data(), *layout);
    return info;
}
