#include "packwright/writer/StubPatch.h"

#include "package/Locator.h"
#include "packwright/writer/WriterError.h"

std::size_t FindStubLocator(const u8* bytes, std::size_t length) {
    std::size_t at = FindLocator(bytes, length);
    if (at == length) throw WriterError("the stub holds no package locator (marker \"WHERETOSTARTSTRING:\" not found)");
    std::size_t next = at + 1;
    if (FindLocator(bytes + next, length - next) != length - next)
        throw WriterError("the stub holds the locator marker \"WHERETOSTARTSTRING:\" more than once");
    if (length - at < LocatorLength) throw WriterError("the stub ends inside its package locator");
    return at;
}

ByteVector PatchLocator(const ByteVector& stub, u32 packageOffset) {
    ByteVector patched(stub);
    std::size_t at = FindStubLocator(patched.data(), patched.size());
    StoreU32(patched.data() + at + LocatorMarkerLength, packageOffset);
    return patched;
}
