// Fixed-width integer names and little-endian helpers shared by every subsystem.
#pragma once
#include <cstddef>
#include <cstdint>

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;
// Integers as wide as a pointer, for window-message parameters.
using iptr = std::intptr_t;
using uptr = std::uintptr_t;

// Every integer in the Package is little-endian, whatever the host.
inline u16 LoadU16(const u8* p) { return static_cast<u16>(p[0] | (p[1] << 8)); }
inline u32 LoadU32(const u8* p) {
    return static_cast<u32>(p[0]) | (static_cast<u32>(p[1]) << 8) | (static_cast<u32>(p[2]) << 16) |
           (static_cast<u32>(p[3]) << 24);
}
inline void StoreU16(u8* p, u16 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
}
inline void StoreU32(u8* p, u32 v) {
    p[0] = static_cast<u8>(v);
    p[1] = static_cast<u8>(v >> 8);
    p[2] = static_cast<u8>(v >> 16);
    p[3] = static_cast<u8>(v >> 24);
}

// Largest number of bytes any block decodes into: the size of every decode buffer.
constexpr u32 DecodeCapacity = 0xFFFF;
// Decoded bytes per block as Packages are built (every block of a file but its last).
constexpr u32 BuiltBlockSize = 65000;

// Every path lives in a buffer of this many bytes: 255 characters and the terminator.
constexpr u32 PathCapacity = 256;
