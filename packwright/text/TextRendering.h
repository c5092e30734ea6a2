// Renderings of the Package's single-byte texts for terminals, messages and JSON. Every text
// in the Package is Windows-1252; what packwright prints is UTF-8.
#pragma once
#include <string>
#include <string_view>

#include "state/Types.h"

// The text as UTF-8, with control characters and the five bytes that stand for no character
// shown as \t, \n, \r or \xNN (backslashes stay as they are, since paths are full of them).
std::string DisplayText(std::string_view bytes);
// DisplayText in single quotes, shortened to a readable length.
std::string QuoteForMessage(std::string_view bytes);
// "1 file", "2 files": a count with its noun, which takes an "s" unless the count is one.
std::string CountOf(u64 count, std::string_view noun);
// "file 3 '{OurProgramDir}\a.txt'": how messages name a file record (index from 0).
std::string DescribeFile(std::size_t index, std::string_view name);
// A JSON string literal of the text decoded from Windows-1252. The five bytes that stand for
// no character keep their value as a code point (\u0081 ...), as Windows itself maps them.
std::string JsonString(std::string_view bytes);
// A JSON string literal of text that is UTF-8 already (paths on this machine, messages).
std::string JsonUtf8(std::string_view utf8);
std::string HexString(std::string_view bytes, const char* separator = "");
// A FILETIME as "YYYY-MM-DD hh:mm:ss" in UTC (separator between date and time given).
std::string FormatFileTime(u64 fileTime, char separator = ' ');
// Seconds since 1970-01-01 UTC (negative before it) and the leftover 100-ns ticks.
long long FileTimeToUnix(u64 fileTime, u32* remainderTicks = nullptr);
