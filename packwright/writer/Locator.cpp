#include "packwright/writer/Locator.h"

#include <algorithm>
#include <cstring>

#include "packwright/writer/WriterError.h"

std::size_t FindLocator(const u8* bytes, std::size_t length) {
    const u8* end = bytes + length;
    const u8* marker = reinterpret_cast<const u8*>(LocatorMarker);
    const u8* first = std::search(bytes, end, marker, marker + LocatorMarkerLength);
    if (first == end) throw WriterError("the stub holds no package locator (marker \"WHERETOSTARTSTRING:\" not found)");
    // A second marker would leave the Stub and the writer disagreeing about which one counts.
    if (std::search(first + 1, end, marker, marker + LocatorMarkerLength) != end)
        throw WriterError("the stub holds the locator marker \"WHERETOSTARTSTRING:\" more than once");
    std::size_t at = static_cast<std::size_t>(first - bytes);
    if (length - at < LocatorMarkerLength + 4) throw WriterError("the stub ends inside its package locator");
    return at;
}

ByteVector PatchLocator(const ByteVector& stub, u32 packageOffset) {
    ByteVector patched(stub);
    std::size_t at = FindLocator(patched.data(), patched.size());
    StoreU32(patched.data() + at + LocatorMarkerLength, packageOffset);
    return patched;
}
