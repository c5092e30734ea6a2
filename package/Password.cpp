#include "package/Password.h"

#include "package/BlockChecksum.h"

u32 PasswordChecksumOf(const char* text, u32 length) {
    u8 upper[255];
    if (length > sizeof upper) length = sizeof upper;
    for (u32 i = 0; i < length; ++i) {
        u8 c = static_cast<u8>(text[i]);
        upper[i] = c >= 'a' && c <= 'z' ? static_cast<u8>(c - 32) : c;
    }
    u32 sum = BlockChecksum(upper, length, ChecksumStart);
    return sum == 0 ? 1 : sum;
}
