#include "packwright/try/RegistryExport.h"

#include <cstdlib>

namespace {
void AppendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 little-endian units from `from` on, as UTF-8; stops at a NUL unit when asked to.
std::string Utf8(const std::string& bytes, std::size_t from) {
    std::string text;
    for (std::size_t i = from; i + 1 < bytes.size(); i += 2) {
        unsigned unit = static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            unsigned low = static_cast<unsigned char>(bytes[i + 2]) | static_cast<unsigned char>(bytes[i + 3]) << 8;
            AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
            i += 2;
        } else {
            AppendUtf8(text, unit);
        }
    }
    return text;
}

// A quoted text from `at` (on the opening quote); `at` ends after the closing one.
std::string Quoted(const std::string& line, std::size_t& at) {
    std::string text;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] == '\\' && at + 1 < line.size()) {
            ++at;
            text += line[at] == 'n' ? '\n' : line[at] == 'r' ? '\r' : line[at] == '0' ? '\0' : line[at];
        } else {
            text += line[at];
        }
    }
    ++at;
    return text;
}

std::string HexBytes(const std::string& list) {
    std::string bytes;
    for (std::size_t at = 0; at + 1 < list.size() + 1;) {
        std::size_t comma = list.find(',', at);
        std::string part = list.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
        if (!part.empty()) bytes += static_cast<char>(std::strtoul(part.c_str(), nullptr, 16));
        if (comma == std::string::npos) break;
        at = comma + 1;
    }
    return bytes;
}

std::string SpacedHex(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char b : bytes) {
        if (!text.empty()) text += ' ';
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

const char* TypeName(unsigned type) {
    switch (type) {
        case 0: return "REG_NONE";
        case 1: return "REG_SZ";
        case 2: return "REG_EXPAND_SZ";
        case 3: return "REG_BINARY";
        case 4: return "REG_DWORD";
        case 7: return "REG_MULTI_SZ";
        case 11: return "REG_QWORD";
    }
    return nullptr;
}

void ReadData(const std::string& data, SnapshotValue& value) {
    if (!data.empty() && data[0] == '"') {
        std::size_t at = 0;
        value.type = "REG_SZ";
        value.data = Quoted(data, at);
        return;
    }
    if (data.rfind("dword:", 0) == 0) {
        value.type = "REG_DWORD";
        value.data = std::to_string(std::strtoul(data.c_str() + 6, nullptr, 16));
        return;
    }
    // str(N):"text" and hex(N):bytes carry their type's number; plain hex: is binary.
    unsigned type = 3;
    std::size_t colon = data.find(':');
    std::size_t open = data.find('(');
    if (open != std::string::npos && open < colon) type = std::strtoul(data.c_str() + open + 1, nullptr, 16);
    const char* name = TypeName(type);
    value.type = name ? name : "REG_TYPE_" + std::to_string(type);
    if (data.rfind("str", 0) == 0) {
        std::size_t at = colon + 1;
        value.data = at < data.size() && data[at] == '"' ? Quoted(data, at) : "";
        return;
    }
    std::string bytes = HexBytes(colon == std::string::npos ? "" : data.substr(colon + 1));
    if (type == 2 || type == 7) {
        std::string text = Utf8(bytes, 0);
        if (type == 2) {
            value.data = text.substr(0, text.find('\0'));
            return;
        }
        // Strings each end in a NUL and an empty one ends the list; an empty string within
        // it (a deletion's missing target among restart moves) is kept.
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\0', start);
            if (end == std::string::npos) end = text.size();
            value.texts.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        if (!value.texts.empty() && value.texts.back().empty()) value.texts.pop_back();
        for (std::size_t i = 0; i < value.texts.size(); ++i) value.data += (i ? "\n" : "") + value.texts[i];
        return;
    }
    if (type == 11 && bytes.size() == 8) {
        unsigned long long number = 0;
        for (int i = 7; i >= 0; --i) number = number << 8 | static_cast<unsigned char>(bytes[i]);
        value.data = std::to_string(number);
        return;
    }
    value.data = SpacedHex(bytes);
}
}  // namespace

std::vector<ExportedItem> ReadRegistryExport(const std::string& utf16) {
    std::string text = Utf8(utf16, utf16.size() >= 2 && utf16[0] == '\xff' && utf16[1] == '\xfe' ? 2 : 0);
    std::vector<ExportedItem> items;
    std::string key, logical;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Long values go on over several lines, each but the last ending in a backslash.
        if (!logical.empty()) {
            std::size_t first = line.find_first_not_of(' ');
            line = logical + (first == std::string::npos ? "" : line.substr(first));
            logical.clear();
        }
        if (!line.empty() && line.back() == '\\' && line[0] != '[') {
            logical = line.substr(0, line.size() - 1);
            continue;
        }
        if (line.empty() || line[0] == ';' || line.rfind("Windows Registry Editor", 0) == 0) continue;
        ExportedItem item;
        if (line[0] == '[') {
            key = line.substr(1, line.rfind(']') - 1);
            item.isKey = true;
            item.key = key;
            items.push_back(item);
            continue;
        }
        item.key = key;
        item.value.line = line;
        std::size_t at = 0;
        if (line[0] == '@') {
            item.name = "@";
            at = 1;
        } else if (line[0] == '"') {
            item.name = Quoted(line, at);
        } else {
            continue;
        }
        if (at >= line.size() || line[at] != '=') continue;
        ReadData(line.substr(at + 1), item.value);
        items.push_back(item);
    }
    return items;
}
