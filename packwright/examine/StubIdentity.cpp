#include "packwright/examine/StubIdentity.h"

#include <fstream>
#include <iterator>
#include <vector>

#include "package/Locator.h"
#include "packwright/pe/VersionResource.h"
#include "package/PeSecurity.h"

namespace {
std::optional<std::vector<u8>> ReadPrefix(const std::string& path, u64 limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<u8> bytes;
    char c;
    while (bytes.size() < limit && in.get(c)) bytes.push_back(static_cast<u8>(c));
    return bytes;
}

// The bytes the builder fills for each installer: the PackageOffset after the locator's
// marker, and the version resource's strings and numbers.
std::vector<std::pair<std::size_t, std::size_t>> FilledRanges(const std::vector<u8>& shipped) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t locator = FindLocator(shipped.data(), shipped.size());
    ranges.emplace_back(locator + LocatorMarkerLength, 4);
    if (std::optional<VersionLayout> layout = ReadVersionLayout(shipped.data(), shipped.size()))
        for (const auto& range : FilledVersionRanges(*layout)) ranges.push_back(range);
    return ranges;
}

bool IsFilled(const std::vector<std::pair<std::size_t, std::size_t>>& ranges, std::size_t at) {
    for (const auto& [start, length] : ranges)
        if (at >= start && at - start < length) return true;
    return false;
}
}  // namespace

StubIdentity IdentifyStub(const std::string& installerPath, u32 packageOffset, const std::string& shippedStubPath) {
    StubIdentity id;
    id.size = packageOffset;
    id.referencePath = shippedStubPath;
    std::optional<std::vector<u8>> shipped = ReadPrefix(shippedStubPath, 1ull << 31);
    std::optional<std::vector<u8>> ours = ReadPrefix(installerPath, packageOffset);
    if (!shipped || !ours) return id;
    // Signing sets the security directory and the checksum of the headers; the code is the
    // same.
    for (std::vector<u8>* stub : {&*shipped, &*ours})
        ClearSecurityDirectory(stub->data(), static_cast<u32>(std::min<std::size_t>(stub->size(), PeHeadersLength)));
    std::vector<std::pair<std::size_t, std::size_t>> filled = FilledRanges(*shipped);
    std::size_t common = std::min(shipped->size(), ours->size());
    for (std::size_t i = 0; i < common; ++i) {
        if (IsFilled(filled, i)) continue;
        if ((*shipped)[i] != (*ours)[i]) {
            id.verdict = StubIdentity::Verdict::Differs;
            id.firstDifference = i;
            return id;
        }
    }
    if (shipped->size() != ours->size()) {
        id.verdict = StubIdentity::Verdict::Differs;
        id.firstDifference = common;
        return id;
    }
    id.verdict = StubIdentity::Verdict::Shipped;
    return id;
}
