#include "package/BlockChecksum.h"

namespace {
// The table is built most-significant-bit first but applied with a right-shifting,
// low-byte-first update. The mix is deliberate: stored Packages were made with it.
// The update is linear in the checksum and the byte, so four bytes can be taken in one step
// through tables that each stand for a byte followed by one, two or three more updates:
// entry[k][i] is entry[k - 1][i] carried through one update with a zero byte.
struct ChecksumTable {
    u32 entry[4][256];
    ChecksumTable() {
        for (u32 i = 0; i < 256; ++i) {
            u32 a = i << 24;
            for (int bit = 0; bit < 8; ++bit) a = (a & 0x80000000u) ? (a << 1) ^ 0x04C11DB7u : (a << 1);
            entry[0][i] = a;
        }
        for (int k = 1; k < 4; ++k)
            for (u32 i = 0; i < 256; ++i) entry[k][i] = (entry[k - 1][i] >> 8) ^ entry[0][entry[k - 1][i] & 0xFF];
    }
};

const ChecksumTable& Table() {
    static const ChecksumTable table;
    return table;
}
}  // namespace

u32 BlockChecksum(const void* bytes, u32 count, u32 initial) {
    const u32(*entry)[256] = Table().entry;
    const u8* p = static_cast<const u8*>(bytes);
    u32 c = initial;
    u32 i = 0;
    for (; i + 4 <= count; i += 4) {
        c ^= LoadU32(p + i);
        c = entry[3][c & 0xFF] ^ entry[2][(c >> 8) & 0xFF] ^ entry[1][(c >> 16) & 0xFF] ^ entry[0][c >> 24];
    }
    for (; i < count; ++i) c = (c >> 8) ^ entry[0][(p[i] ^ c) & 0xFF];
    return c;
}
