// Byte-level pieces of a Package stream, written as given with no checks: for tests that
// need a package the writer refuses to make (a shortcut line without "=", a block count
// that does not match, a header block with missing fields). Feed the bytes to
// BuildInstallerVolumes through a producer that writes them.
#pragma once
#include <string_view>

#include "packwright/encoder/BlockEncoder.h"

struct RawStream {
    ByteVector bytes;

    RawStream& U8(u8 v) {
        bytes.push_back(v);
        return *this;
    }
    RawStream& U16(u16 v) { return U8(static_cast<u8>(v)).U8(static_cast<u8>(v >> 8)); }
    RawStream& U32(u32 v) { return U16(static_cast<u16>(v)).U16(static_cast<u16>(v >> 16)); }
    RawStream& Raw(std::string_view text) {
        for (char c : text) bytes.push_back(static_cast<u8>(c));
        return *this;
    }
    // The length byte keeps only the low 8 bits of the size, as a broken writer would.
    RawStream& Counted(std::string_view text) { return U8(static_cast<u8>(text.size())).Raw(text); }
    // One DataBlock holding payload (not empty), checksums and all.
    RawStream& Block(const ByteVector& payload) {
        ByteVector record = EncodeDataBlock(payload.data(), payload.size());
        bytes.insert(bytes.end(), record.begin(), record.end());
        return *this;
    }
    RawStream& End() { return U16(0); }
};
