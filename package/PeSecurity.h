// The PE security directory: where an executable's certificate table (its Authenticode
// signature) lies. Signing appends that table after the last byte and points the directory
// at it, so a signed installer's first volume carries bytes that are not Package bytes.
// Only 32-bit images (PE32) are recognised: the Stub is one.
#pragma once
#include "package/VolumeSource.h"
#include "state/Types.h"

// Bytes of an image's start read to find its PE headers.
constexpr u32 PeHeadersLength = 1024;
// The PE checksum field stands this many bytes before the security directory entry.
constexpr u32 PeChecksumBeforeEntry = 64;

// Offset of the 8-byte security directory entry (u32 file offset, u32 size) in the image,
// or 0 when its first `length` bytes are not PE32 headers that have one.
u32 SecurityEntryOffset(const u8* image, u32 length);

// Where the security directory of the open file says its certificate table begins; 0 when
// the file is not signed. An offset at or past the file's end cuts nothing off. Leaves the
// file position anywhere.
u32 CertificateTableStart(VolumeSource& source);

// Makes a copy of a signed image's headers those of an unsigned image (entry and checksum
// 0): the copy lacks the table, and a stale entry would point past its end, or into
// whatever follows.
void ClearSecurityDirectory(u8* image, u32 length);
