#include "packwright/text/TextRendering.h"

#include <cstdio>

#include "package/CodePage.h"

namespace {
void AppendUtf8(std::string& out, u32 c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendEscaped(std::string& out, const char* format, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

void AppendJsonCharacter(std::string& out, u32 c) {
    switch (c) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) AppendEscaped(out, "\\u%04x", c);
    else AppendUtf8(out, c);
}
}  // namespace

std::string DisplayText(std::string_view bytes) {
    std::string out;
    for (unsigned char byte : bytes) {
        u32 c;
        bool assigned = Windows1252ToUnicode(byte, &c);
        if (byte == '\t') out += "\\t";
        else if (byte == '\n') out += "\\n";
        else if (byte == '\r') out += "\\r";
        else if (!assigned || c < 0x20 || c == 0x7F) AppendEscaped(out, "\\x%02X", byte);
        else AppendUtf8(out, c);
    }
    return out;
}

std::string QuoteForMessage(std::string_view bytes) {
    constexpr std::size_t Longest = 120;
    std::string text = DisplayText(bytes.substr(0, Longest));
    return "'" + text + (bytes.size() > Longest ? "...'" : "'");
}

std::string CountOf(u64 count, std::string_view noun) {
    return std::to_string(count) + " " + std::string(noun) + (count == 1 ? "" : "s");
}

std::string DescribeFile(std::size_t index, std::string_view name) {
    return "file " + std::to_string(index + 1) + " " + QuoteForMessage(name);
}

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char byte : bytes) {
        u32 c;
        if (!Windows1252ToUnicode(byte, &c)) c = byte;
        AppendJsonCharacter(out, c);
    }
    return out + "\"";
}

std::string JsonUtf8(std::string_view utf8) {
    std::string out = "\"";
    for (unsigned char byte : utf8) {
        if (byte >= 0x80) out += static_cast<char>(byte);  // part of a multi-byte character
        else AppendJsonCharacter(out, byte);
    }
    return out + "\"";
}

std::string HexString(std::string_view bytes, const char* separator) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (i) out += separator;
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

long long FileTimeToUnix(u64 fileTime, u32* remainderTicks) {
    constexpr long long TicksPerSecond = 10000000LL;
    long long seconds = static_cast<long long>(fileTime / TicksPerSecond) - 11644473600LL;
    if (remainderTicks) *remainderTicks = static_cast<u32>(fileTime % TicksPerSecond);
    return seconds;
}

std::string FormatFileTime(u64 fileTime, char separator) {
    long long seconds = FileTimeToUnix(fileTime);
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long doe = z - era * 146097;
    long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long long year = yoe + era * 400;
    long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long long mp = (5 * doy + 2) / 153;
    long long day = doy - (153 * mp + 2) / 5 + 1;
    long long month = mp < 10 ? mp + 3 : mp - 9;
    if (month <= 2) ++year;
    char text[64];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld%c%02lld:%02lld:%02lld", year, month, day, separator,
                  rest / 3600, rest / 60 % 60, rest % 60);
    return text;
}
