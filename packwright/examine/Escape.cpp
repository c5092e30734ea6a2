#include "packwright/examine/Escape.h"

#include <cstdio>

std::string EscapeBytes(std::string_view bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\t";
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
    return out;
}

std::string QuoteForMessage(std::string_view bytes) {
    constexpr std::size_t Longest = 120;
    std::string text = EscapeBytes(bytes.substr(0, Longest));
    return "'" + text + (bytes.size() > Longest ? "...'" : "'");
}

std::string JsonString(std::string_view bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", c);
            out += escaped;
        }
    }
    return out + "\"";
}

std::string HexString(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
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
