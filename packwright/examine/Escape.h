// Renderings of the Package's single-byte texts for terminals, messages and JSON.
#pragma once
#include <string>
#include <string_view>

#include "state/Types.h"

// Printable ASCII as it is; every other byte as \xNN (backslashes stay as they are,
// since paths are full of them).
std::string EscapeBytes(std::string_view bytes);
// EscapeBytes in single quotes, shortened to a readable length.
std::string QuoteForMessage(std::string_view bytes);
// A JSON string literal; bytes 0x80 and above are taken as Latin-1.
std::string JsonString(std::string_view bytes);
std::string HexString(std::string_view bytes);
// A FILETIME as "YYYY-MM-DD hh:mm:ss" in UTC (separator between date and time given).
std::string FormatFileTime(u64 fileTime, char separator = ' ');
// Seconds since 1970-01-01 UTC (negative before it) and the leftover 100-ns ticks.
long long FileTimeToUnix(u64 fileTime, u32* remainderTicks = nullptr);
