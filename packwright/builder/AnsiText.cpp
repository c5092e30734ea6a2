#include "packwright/builder/AnsiText.h"

#include <fmt/format.h>

#include "package/CodePage.h"

namespace {
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
        u8 byte;
        if (!UnicodeToWindows1252(c, &byte)) {
            *bad = fmt::format("U+{:04X}", static_cast<unsigned>(c));
            return AnsiResult::Unrepresentable;
        }
        result += static_cast<char>(byte);
    }
    *out = std::move(result);
    return AnsiResult::Converted;
}
