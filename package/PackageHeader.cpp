#include "package/PackageHeader.h"

#include "package/DataBlock.h"
#include "state/SetupState.h"

namespace {
// Copies the NUL-terminated string at *at into storage of its own; false when no NUL
// comes before the end of the bytes.
bool TakeString(const u8* bytes, u32 length, u32* at, char** field) {
    u32 start = *at;
    u32 end = start;
    while (end < length && bytes[end]) ++end;
    if (end >= length) return false;
    *field = CopyString(reinterpret_cast<const char*>(bytes + start), end - start);
    *at = end + 1;
    return true;
}

bool HasBackslash(const char* text) {
    for (; *text; ++text)
        if (*text == '\\') return true;
    return false;
}

// The numbers after the five strings: the password checksum, the size table and the block
// count, then the byte that starts the licence text or says there is none.
constexpr u32 NumbersSize = 36;
}  // namespace

bool ParseInstallHeader(const u8* bytes, u32 length, PackageHeader& h) {
    u32 at = 0;
    char** strings[] = {&h.ProductTitle, &h.FooterText, &h.UninstallName, &h.ProgramDir, &h.ShortcutFolder};
    for (char** field : strings)
        if (!TakeString(bytes, length, &at, field)) return false;
    if (length - at < NumbersSize + 1) return false;
    h.PasswordChecksum = LoadU32(bytes + at);
    for (int k = 0; k < 7; ++k) h.SizeTable[k] = LoadU32(bytes + at + 4 + 4 * k);
    h.TotalBlocks = LoadU32(bytes + at + 32);
    at += NumbersSize;
    if (bytes[at] && !TakeString(bytes, length, &at, &h.LicenceText)) return false;
    h.ProgramDirFixed = HasBackslash(h.ProgramDir);
    return true;
}

HeaderStatus ReadPackageHeader(PackageReader& reader, PackageHeader& h) {
    u8 mode = 0;
    if (reader.ReadPackageBytes(&mode, 1) < 0) return HeaderStatus::Unreadable;
    h.Mode = RunModeFromByte(mode);
    if (mode != 0) {
        // A companion program's Package lies whole in its own file: its end is the end of
        // the log, never a reason to look for another volume.
        reader.SetLastVolume();
        char** strings[] = {&h.ProductTitle, &h.FooterText, &h.UninstallName};
        for (char** field : strings) {
            char text[CountedStringCapacity];
            int length = reader.ReadCountedBytes(reinterpret_cast<u8*>(text));
            if (length < 0) return HeaderStatus::Unreadable;
            text[length] = 0;
            *field = CopyString(text);
        }
        return HeaderStatus::Read;
    }
    u8* block = new u8[DecodeCapacity];
    u32 length = 0;
    BlockStatus status = ReadDataBlock(reader, block, &length, DecodeCapacity);
    HeaderStatus result = HeaderStatus::Read;
    if (status == BlockStatus::Unreadable) result = HeaderStatus::Unreadable;
    else if (status == BlockStatus::Damaged) result = HeaderStatus::Damaged;
    else if (!ParseInstallHeader(block, length, h)) result = HeaderStatus::TooShort;
    delete[] block;
    return result;
}

void ReleasePackageHeader(PackageHeader& h) {
    char* owned[] = {h.ProductTitle, h.FooterText, h.UninstallName, h.ProgramDir, h.ShortcutFolder, h.LicenceText};
    for (char* s : owned) delete[] s;
    h = PackageHeader();
}
