// The code page of every text in the Package: Windows-1252, one byte a character. Bytes
// 0x00-0x7F are ASCII and 0xA0-0xFF the code points of the same value; 0x80-0x9F hold
// typographic characters (the euro sign, dashes, curly quotes ...), except five bytes that
// stand for no character: 0x81, 0x8D, 0x8F, 0x90 and 0x9D.
#pragma once
#include "state/Types.h"

// The Unicode code point of a byte; false for the five that stand for no character.
bool Windows1252ToUnicode(u8 byte, u32* codePoint);
// The byte of a code point; false when Windows-1252 has no such character.
bool UnicodeToWindows1252(u32 codePoint, u8* byte);
