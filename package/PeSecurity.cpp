#include "package/PeSecurity.h"

#include <cstring>

namespace {
constexpr u32 NtHeadersPointer = 0x3C;
constexpr u32 OptionalHeader = 24;  // after "PE\0\0" and the file header
constexpr u32 SecurityEntry = OptionalHeader + 96 + 4 * 8;  // data directory 4
}  // namespace

u32 SecurityEntryOffset(const u8* image, u32 length) {
    if (length < SecurityEntry + 8 || length < NtHeadersPointer + 4) return 0;
    u32 nt = LoadU32(image + NtHeadersPointer);
    if (nt > length - SecurityEntry - 8) return 0;
    // Every PE32 image has room for the 16 standard data directories.
    if (LoadU32(image + nt) != 0x4550 || LoadU16(image + nt + OptionalHeader) != 0x10B) return 0;
    return nt + SecurityEntry;
}

u32 CertificateTableStart(VolumeSource& source) {
    u8 headers[PeHeadersLength];
    u32 got = 0;
    source.Seek(0);
    if (!source.Read(headers, sizeof headers, &got)) return 0;
    u32 entry = SecurityEntryOffset(headers, got);
    return entry ? LoadU32(headers + entry) : 0;
}

void ClearSecurityDirectory(u8* image, u32 length) {
    u32 entry = SecurityEntryOffset(image, length);
    if (!entry) return;
    // The checksum covered the table too; 0 means "not computed", which Windows accepts for
    // everything but drivers.
    std::memset(image + entry, 0, 8);
    std::memset(image + entry - PeChecksumBeforeEntry, 0, 4);
}
