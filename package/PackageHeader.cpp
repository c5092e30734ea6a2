#include "package/PackageHeader.h"

#include "package/DataBlock.h"
#include "package/PackageReader.h"
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
}  // namespace

bool ParseInstallHeader(const unsigned char* bytes, unsigned length) {
    u32 at = 0;
    char** strings[] = {&g_setup.ProductTitle, &g_setup.FooterText, &g_setup.UninstallName, &g_setup.ProgramDir,
                        &g_setup.ShortcutFolder};
    for (char** field : strings)
        if (!TakeString(bytes, length, &at, field)) return false;
    // Nine u32 values (36 bytes), then the licence byte.
    if (length - at < 37) return false;
    g_setup.PasswordChecksum = LoadU32(bytes + at);
    for (int k = 0; k < 7; ++k) g_setup.SizeTable[k] = LoadU32(bytes + at + 4 + 4 * k);
    g_setup.TotalBlocks = LoadU32(bytes + at + 32);
    at += 36;
    if (bytes[at] && !TakeString(bytes, length, &at, &g_setup.LicenceText)) return false;
    g_setup.ProgramDirFixed = HasBackslash(g_setup.ProgramDir);
    return true;
}

bool ReadPackageHeader() {
    u8 mode = 0;
    ReadPackageBytes(&mode, 1);
    if (mode != 0) {
        g_setup.RunMode = static_cast<signed char>(mode);
        g_setup.ProductTitle = CopyString(ReadCountedString());
        g_setup.FooterText = CopyString(ReadCountedString());
        g_setup.UninstallName = CopyString(ReadCountedString());
        return true;
    }
    u8* block = new u8[DecodeCapacity];
    u32 length = 0;
    bool ok = ReadDataBlock(block, &length, DecodeCapacity) && ParseInstallHeader(block, length);
    delete[] block;
    if (!ok) g_setup.Corrupted = true;
    return ok;
}
