#include "packwright/writer/PackageLimits.h"

#include <cstdio>

#include "package/Password.h"
#include "package/RegistryLine.h"
#include "packwright/text/TextRendering.h"
#include "packwright/writer/PackageModel.h"
#include "packwright/writer/WriterError.h"

void CheckCountedString(std::string_view text, const std::string& what) {
    if (text.size() > CountedStringLimit)
        throw WriterError(what + " " + QuoteForMessage(text) + " is " + std::to_string(text.size()) +
                          " bytes long; the package format allows at most 255");
}

void CheckNoNul(std::string_view text, const std::string& what) {
    if (text.find('\0') != std::string_view::npos)
        throw WriterError(what + " " + QuoteForMessage(text) + " contains a 0 byte, which would cut it short");
}

u32 PasswordChecksumFor(const std::string& password) {
    CheckCountedString(password, "the password");  // the password edit takes 255 characters
    return PasswordChecksumOf(password.data(), static_cast<u32>(password.size()));
}

FileTime FileTimeFromUnix(long long seconds, u32 nanoseconds) {
    // 1601-01-01 to 1970-01-01 is 11644473600 s.
    long long ticks = (seconds + 11644473600LL) * 10000000LL + nanoseconds / 100;
    return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

std::string RegistryLineProblem(std::string_view line) {
    std::string copy(line);  // the parser reads one byte past the line: its terminator
    RegistryLine parsed;
    ParseRegistryLine(reinterpret_cast<const u8*>(copy.c_str()), static_cast<u32>(copy.size()), &parsed);
    switch (CheckRegistryLine(parsed)) {
        case RegistryLineFault::None: return "";
        case RegistryLineFault::NoTypeByte: return "the value line has no type byte after its '='";
        case RegistryLineFault::ShortDword:
            return "the dword value holds " + std::to_string(parsed.heldLength) + " of its 4 bytes";
        case RegistryLineFault::NoBinaryLength: return "the binary value has no 2-byte length";
        case RegistryLineFault::ShortBinary:
            return "the binary value claims " + std::to_string(parsed.dataLength) + " bytes but holds " +
                   std::to_string(parsed.heldLength);
    }
    return "";
}
