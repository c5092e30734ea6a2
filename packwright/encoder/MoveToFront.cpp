#include <cstring>

#include "packwright/encoder/BlockEncoder.h"

ByteVector MoveToFront(const ByteVector& input) {
    u8 table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<u8>(i);
    ByteVector out(input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        u8 value = input[i];
        u8 c = 0;
        while (table[c] != value) ++c;
        out[i] = c;
        if (c) {
            std::memmove(table + 1, table, c);
            table[0] = value;
        }
    }
    return out;
}
