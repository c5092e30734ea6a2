// What a Package holds, as the writer takes it.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "packwright/encoder/BlockEncoder.h"

// 100-ns intervals since 1601-01-01 UTC, as the FileRecord stores it.
using FileTime = u64;

// The header's texts, named as the installer names them.
struct InstallHeaderFields {
    std::string ProductTitle;
    std::string FooterText;
    std::string UninstallName;   // empty: no uninstaller
    std::string ProgramDir;      // empty: none; a backslash fixes it
    std::string ShortcutFolder;  // empty: none
    u32 PasswordChecksum = 0;    // 0: no password (see PasswordChecksumFor)
    std::optional<std::string> LicenceText;
};

struct FileRecordFields {
    std::string name;                 // target path, normally "{OurProgramDir}\\..."
    std::array<u16, 4> version = {};  // major, minor, build, revision
    FileTime time = 0;
    bool shared = false;
};

// A packaged file: its contents in memory, or read from sourcePath while writing.
struct PackageFile {
    FileRecordFields record;
    ByteVector data;
    std::string sourcePath;  // when not empty, the contents come from this file
};

struct InstallPackage {
    InstallHeaderFields header;
    std::vector<PackageFile> files;
    std::vector<std::string> shortcuts;  // "link=target\targuments\tworking directory"
    std::vector<std::string> registry;   // raw lines; binary data may hold 0 bytes
    std::string runAfter;
};

// The header of UNINST.EXE (runMode 1, followed by the InstallLog) or FINALIZE.EXE (2).
struct CompanionPackage {
    u8 runMode = 1;
    std::string ProductTitle;
    std::string FooterText;
    std::string UninstallName;
    std::vector<std::string> logRecords;  // raw CountedStrings, written as they stand
};

// The u32 the password page compares with: checksum of the ASCII-upper-cased text, 1 for 0.
u32 PasswordChecksumFor(const std::string& password);

// FILETIME of a Unix time.
FileTime FileTimeFromUnix(long long seconds, u32 nanoseconds = 0);
