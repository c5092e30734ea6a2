// The mode byte and the header at the start of the Package stream. An install Package
// carries its header as one DataBlock of NUL-terminated strings and numbers; a companion
// program (UNINST.EXE, FINALIZE.EXE) carries three CountedStrings.
#pragma once
#include "package/PackageReader.h"
#include "state/RunMode.h"
#include "state/Types.h"

// The header's fields, named as SetupState names them. Strings are owned (new[]) until
// ReleasePackageHeader or until their owner takes them over; null means "not set".
struct PackageHeader {
    RunMode Mode = RunMode::Install;
    char* ProductTitle = nullptr;
    char* FooterText = nullptr;
    char* UninstallName = nullptr;
    char* ProgramDir = nullptr;      // install only
    char* ShortcutFolder = nullptr;  // install only
    char* LicenceText = nullptr;     // install only, when present
    u32 PasswordChecksum = 0;
    u32 SizeTable[7] = {};
    u32 TotalBlocks = 0;
    bool ProgramDirFixed = false;  // ProgramDir holds a backslash
};

enum class HeaderStatus : u8 {
    Read,
    Unreadable,  // a read failed
    Damaged,     // the install header's block fails its checks
    TooShort,    // its decoded bytes end before its fields do
};

// Reads the mode byte and the header that follows it. On anything but Read, what was taken
// so far stays in header (release it all the same).
HeaderStatus ReadPackageHeader(PackageReader& reader, PackageHeader& header);

// The fields of an install header block's decoded bytes; false when they are too short.
bool ParseInstallHeader(const u8* bytes, u32 length, PackageHeader& header);

void ReleasePackageHeader(PackageHeader& header);
