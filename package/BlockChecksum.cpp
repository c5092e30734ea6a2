#include "package/BlockChecksum.h"

namespace {
// The table is built most-significant-bit first but applied with a right-shifting,
// low-byte-first update. The mix is deliberate: stored Packages were made with it.
struct ChecksumTable {
    u32 entry[256];
    ChecksumTable() {
        for (u32 i = 0; i < 256; ++i) {
            u32 a = i << 24;
            for (int bit = 0; bit < 8; ++bit) a = (a & 0x80000000u) ? (a << 1) ^ 0x04C11DB7u : (a << 1);
            entry[i] = a;
        }
    }
};

const ChecksumTable& Table() {
    static const ChecksumTable table;
    return table;
}
}  // namespace

u32 BlockChecksum(const void* bytes, u32 count, u32 initial) {
    const u32* entry = Table().entry;
    const u8* p = static_cast<const u8*>(bytes);
    u32 c = initial;
    for (u32 i = 0; i < count; ++i) c = (c >> 8) ^ entry[(p[i] ^ c) & 0xFF];
    return c;
}
