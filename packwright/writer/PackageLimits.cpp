#include "packwright/writer/PackageLimits.h"

#include <cstdio>

#include "package/BlockChecksum.h"
#include "packwright/writer/PackageModel.h"
#include "packwright/writer/WriterError.h"

u64 BlocksForSize(u64 size) { return (size + BuiltBlockSize - 1) / BuiltBlockSize; }

std::array<u32, 7> ComputeSizeTable(const std::vector<u64>& fileSizes) {
    std::array<u32, 7> table = {};
    for (int k = 0; k < 7; ++k) {
        u64 cluster = 512ull << k;
        u64 total = 0;
        for (u64 size : fileSizes) total += (size + cluster - 1) / cluster;
        if (total > 0xFFFFFFFFull) throw WriterError("the files are too large in total for the header's size table");
        table[k] = static_cast<u32>(total);
    }
    return table;
}

std::string Quoted(std::string_view text) {
    std::string out = "'";
    for (unsigned char c : text.substr(0, 80)) {
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    if (text.size() > 80) out += "...";
    return out + "'";
}

void CheckCountedString(std::string_view text, const std::string& what) {
    if (text.size() > CountedStringLimit)
        throw WriterError(what + " " + Quoted(text) + " is " + std::to_string(text.size()) +
                          " bytes long; the package format allows at most 255");
}

void CheckNoNul(std::string_view text, const std::string& what) {
    if (text.find('\0') != std::string_view::npos)
        throw WriterError(what + " " + Quoted(text) + " contains a 0 byte, which would cut it short");
}

u32 PasswordChecksumFor(const std::string& password) {
    CheckCountedString(password, "the password");  // the password edit takes 255 characters
    std::string upper = password;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    u32 sum = BlockChecksum(reinterpret_cast<const u8*>(upper.data()), static_cast<u32>(upper.size()), ChecksumStart);
    return sum == 0 ? 1 : sum;
}

FileTime FileTimeFromUnix(long long seconds, u32 nanoseconds) {
    // 1601-01-01 to 1970-01-01 is 11644473600 s.
    long long ticks = (seconds + 11644473600LL) * 10000000LL + nanoseconds / 100;
    return ticks < 0 ? 0 : static_cast<FileTime>(ticks);
}

std::string RegistryLineProblem(std::string_view line) {
    if (line.empty() || line[0] == ':') return "";
    std::size_t equals = line.find('=');
    // The installer reads lines as C strings: an "=" after a 0 byte is not seen.
    if (equals == std::string_view::npos || line.substr(0, equals).find('\0') != std::string_view::npos) return "";
    std::string_view data = line.substr(equals + 1);
    if (data.empty()) return "the value line has no type byte after its '='";
    std::size_t held = data.size() - 1;
    if (data[0] == 'D' && held < 4)
        return "the dword value holds " + std::to_string(held) + " of its 4 bytes";
    if (data[0] == 'B') {
        if (held < 2) return "the binary value has no 2-byte length";
        std::size_t claimed = static_cast<u8>(data[1]) | (static_cast<u8>(data[2]) << 8);
        if (claimed > held - 2)
            return "the binary value claims " + std::to_string(claimed) + " bytes but holds " + std::to_string(held - 2);
    }
    return "";
}
