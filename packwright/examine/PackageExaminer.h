// Reads a whole installer (or companion program) with the Stub's package reader, checking
// every block, and describes what it holds.
#pragma once
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packwright/writer/PackageModel.h"
#include "state/RunMode.h"
#include "state/Types.h"

// The header as the writer takes it, and what the reader derives from it. Companion
// programs carry only the first three strings.
struct InspectedHeader : InstallHeaderFields {
    bool ProgramDirFixed = false;
    std::array<u32, 7> SizeTable = {};
    u32 TotalBlocks = 0;
};

struct InspectedFile {
    std::string name;  // as stored
    u16 blockCount = 0;
    std::array<u16, 4> version = {};
    u64 time = 0;  // FILETIME
    bool shared = false;
    u32 blocksRead = 0;
    u64 decodedSize = 0;
};

// One key group of the InstallLog's registry part.
struct InstallLogGroup {
    std::string keyLine;
    std::vector<std::string> entries;
};

struct InspectedPackage {
    std::string path;  // absolute path of volume 0
    u32 packageOffset = 0;
    RunMode runMode = RunMode::Install;
    bool headerRead = false;
    bool complete = false;  // everything was read
    u32 volumesRead = 0;
    InspectedHeader header;
    std::vector<InspectedFile> files;
    std::vector<std::string> shortcuts;
    std::optional<std::string> shortcutStop;  // a line without "=" that ended the section
    std::vector<std::string> registry;        // raw lines
    std::string runAfter;
    std::vector<std::string> logFiles;        // UNINST.EXE: the file part of the InstallLog
    std::vector<InstallLogGroup> logRegistry;  // and its registry part
    // Sound blocks but inconsistent bookkeeping (counts and sizes that disagree).
    std::vector<std::string> problems;
};

struct InspectCallbacks {
    std::function<void(const InspectedFile& file, std::size_t index)> beginFile;
    std::function<void(const u8* data, u32 length)> fileData;
    std::function<void(const InspectedFile& file, std::size_t index)> endFile;
    std::function<void(u64 blocksDone, u64 totalBlocks)> progress;
};

// Throws ExamineError naming the damaged or missing part; callbacks may throw too.
InspectedPackage InspectPackage(const std::string& path, const InspectCallbacks& callbacks = {});
// The same, filling `out` as it goes: after an error it holds what was read before it.
void InspectPackageInto(const std::string& path, InspectedPackage& out, const InspectCallbacks& callbacks = {});

// "file 3 '{OurProgramDir}\a.txt'": how messages name a file record.
std::string DescribeFile(std::size_t index, const std::string& name);
const char* RunModeName(RunMode runMode);
