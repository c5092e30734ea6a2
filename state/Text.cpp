#include "state/Text.h"

void FormatWithString(char* out, u32 capacity, const char* format, const char* argument) {
    if (capacity == 0) return;
    u32 n = 0;
    bool substituted = false;
    for (const char* f = format; *f && n + 1 < capacity; ++f) {
        if (!substituted && f[0] == '%' && f[1] == 's') {
            for (const char* a = argument; *a && n + 1 < capacity; ++a) out[n++] = *a;
            substituted = true;
            ++f;
            continue;
        }
        out[n++] = *f;
    }
    out[n] = 0;
}

u32 FormatUnsigned(char* out, u64 value, u32 minDigits) {
    char digits[20];
    u32 count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value);
    while (count < minDigits && count < sizeof digits) digits[count++] = '0';
    for (u32 i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
    out[count] = 0;
    return count;
}
