#include <cstring>

#include "packwright/encoder/BlockEncoder.h"

ByteVector MoveToFront(const ByteVector& input) {
    u8 table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<u8>(i);
    ByteVector out(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        u8 value = input[i];
        if (table[0] == value) {  // the common case after the transform
            out[i] = 0;
            continue;
        }
        // Every value is in the table, so the search always succeeds.
        u8 c = static_cast<u8>(static_cast<const u8*>(std::memchr(table, value, 256)) - table);
        out[i] = c;
        std::memmove(table + 1, table, c);
        table[0] = value;
    }
    return out;
}
