// What reading an installer (or companion program) found: its header, files and sections as
// stored, where each part lies in which volume, and every problem in stream order.
#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "packwright/examine/StubVersionInfo.h"
#include "packwright/writer/PackageModel.h"
#include "state/RunMode.h"
#include "state/Types.h"

// A byte of the Package: its volume (0: the executable) and its offset in that file.
struct StreamPosition {
    u32 volume = 0;
    u64 offset = 0;
    auto operator<=>(const StreamPosition&) const = default;
};

// A stretch of the installer's files from `start` up to (not including) `end`.
struct Span {
    StreamPosition start;
    StreamPosition end;
    std::string what;          // "file 2 '...', block 1 of 3", "registry line 4" ...
    bool checksummed = false;  // a DataBlock record: every byte is covered by its checksums
};

struct Problem {
    std::string message;  // says what and, where it has a place, which volume file and offset
    std::optional<StreamPosition> at = std::nullopt;
};

// The header as the writer takes it, and what the reader derives from it. Companion
// programs carry only the first three strings.
struct ExaminedHeader : InstallHeaderFields {
    bool ProgramDirFixed = false;
    std::array<u32, 7> SizeTable = {};
    u32 TotalBlocks = 0;
};

struct ExaminedFile {
    std::string name;  // as stored
    u16 blockCount = 0;
    std::array<u16, 4> version = {};
    u64 time = 0;  // FILETIME
    u8 sharedFlag = 0;  // as stored: 0 private, anything else shared
    bool shared = false;
    u32 blocksRead = 0;
    u64 decodedSize = 0;  // of the blocks that are sound
    bool intact = true;   // every block read and sound
};

// One key group of the InstallLog's registry part.
struct InstallLogGroup {
    std::string keyLine;
    std::vector<std::string> entries;
};

struct ExaminedPackage {
    std::string path;  // absolute path of volume 0
    u32 packageOffset = 0;
    RunMode runMode = RunMode::Install;
    bool headerRead = false;
    bool complete = false;               // read to the end
    std::vector<std::string> volumes;    // paths of the volumes read, volume 0 first
    std::vector<u64> volumeSizes;
    ExaminedHeader header;
    std::vector<ExaminedFile> files;
    bool filesEnded = false;                   // the file section's end was read
    std::vector<std::string> shortcuts;        // raw lines
    std::optional<std::string> shortcutStop;   // a line without "=" that ended the section
    std::vector<std::string> registry;         // raw lines
    std::optional<std::string> runAfter;       // once read
    u64 trailingBytes = 0;                     // after the run-after command: never read by the installer
    std::vector<std::string> logFiles;         // UNINST.EXE: the file part of the InstallLog
    std::vector<InstallLogGroup> logRegistry;  // and its registry part
    std::vector<Problem> problems;             // in stream order
    std::optional<Problem> stop;               // the problem that ended reading early (also in problems)
    std::vector<Span> spans;                   // the stream's parts in order, as far as read
    std::optional<StubVersionInfo> version;    // the Stub's version resource, when it has one
    u64 blocksRead = 0;                        // DataBlocks, the header's included

    // The path of a volume file: volume 0 is `path`, the others are named after it.
    std::string VolumePath(u32 volume) const;
};
