#include "package/CodePage.h"

namespace {
// The characters of bytes 0x80 to 0x9F; 0 where the code page has none.
const u16 HighCharacters[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

bool Windows1252ToUnicode(u8 byte, u32* codePoint) {
    if (byte < 0x80 || byte >= 0xA0) {
        *codePoint = byte;
        return true;
    }
    *codePoint = HighCharacters[byte - 0x80];
    return *codePoint != 0;
}

bool UnicodeToWindows1252(u32 codePoint, u8* byte) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        *byte = static_cast<u8>(codePoint);
        return true;
    }
    for (u32 i = 0; i < 32; ++i)
        if (HighCharacters[i] && HighCharacters[i] == codePoint) {
            *byte = static_cast<u8>(0x80 + i);
            return true;
        }
    return false;
}
