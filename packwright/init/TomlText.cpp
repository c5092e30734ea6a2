#include "packwright/init/TomlText.h"

#include <fmt/format.h>

std::string TomlString(const std::string& text) {
    bool literal = true;
    for (unsigned char c : text)
        if (c == '\'' || c < 0x20 || c == 0x7F) literal = false;
    if (literal) return "'" + text + "'";
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            out += fmt::format("\\u{:04X}", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string GlobLiteral(const std::string& name) {
    std::string out;
    for (char c : name) {
        if (c == '*' || c == '?' || c == '[') out += std::string("[") + c + "]";
        else out += c;
    }
    return out;
}
