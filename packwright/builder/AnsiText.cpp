#include "packwright/builder/AnsiText.h"

#include <fmt/format.h>

namespace {
// The characters of bytes 0x80 to 0x9F; 0 where 1252 has none. 0xA0 to 0xFF are U+00A0 to U+00FF.
const char32_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

bool ByteFor(char32_t c, unsigned char* byte) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
        *byte = static_cast<unsigned char>(c);
        return true;
    }
    for (int i = 0; i < 32; ++i)
        if (HighControls[i] == c) {
            *byte = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    return false;
}

// The code point at text[*at], advancing *at; false for malformed UTF-8.
bool NextCodePoint(const std::string& text, std::size_t* at, char32_t* c) {
    unsigned char lead = static_cast<unsigned char>(text[*at]);
    int extra = lead < 0x80 ? 0 : (lead >> 5) == 6 ? 1 : (lead >> 4) == 14 ? 2 : (lead >> 3) == 30 ? 3 : -1;
    if (extra < 0 || text.size() - *at <= static_cast<std::size_t>(extra)) return false;
    char32_t value = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        unsigned char next = static_cast<unsigned char>(text[*at + k]);
        if ((next >> 6) != 2) return false;
        value = value << 6 | (next & 0x3F);
    }
    *at += 1 + extra;
    *c = value;
    return true;
}
}  // namespace

AnsiResult Utf8ToWindows1252(const std::string& utf8, std::string* out, std::string* bad) {
    std::string result;
    result.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c;
        if (!NextCodePoint(utf8, &at, &c)) return AnsiResult::NotUtf8;
        unsigned char byte;
        if (!ByteFor(c, &byte)) {
            *bad = fmt::format("U+{:04X}", static_cast<unsigned>(c));
            return AnsiResult::Unrepresentable;
        }
        result += static_cast<char>(byte);
    }
    *out = std::move(result);
    return AnsiResult::Converted;
}
