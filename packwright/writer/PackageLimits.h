// The format's limits as the writer checks them, with messages that name the offending item.
#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "state/Types.h"

constexpr std::size_t CountedStringLimit = 255;
constexpr u32 BlockCountLimit = 0xFFFF;   // u16 BlockCount
constexpr u32 StoredBlockLimit = 0xFFFF;  // u16 stored length

// Throws WriterError naming `what` when text is longer than a CountedString can hold.
void CheckCountedString(std::string_view text, const std::string& what);
// Throws WriterError when text holds a 0 byte: the Stub reads it as a C string.
void CheckNoNul(std::string_view text, const std::string& what);
// What is wrong with a registry value line whose data is shorter than its type needs (a
// dword without 4 bytes, a binary value whose length claims more than the line holds); ""
// when nothing is. The installer would read past the line's end for such data. The writer
// refuses such lines and verify reports them.
std::string RegistryLineProblem(std::string_view line);
