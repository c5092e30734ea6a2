// Everything a build will write, worked out and checked before the first byte is written:
// the header's values, each file with its size, time and version, the shortcut and registry
// lines. Any error in the manifest or in the files it names stops the build here.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "packwright/builder/Diagnostics.h"
#include "packwright/builder/Manifest.h"
#include "packwright/builder/PeVersion.h"
#include "packwright/writer/PackageModel.h"
#include "state/Types.h"

struct PlannedFile {
    std::string source;  // path on this machine
    std::string target;  // installed path, starting with a path macro
    bool shared = false;
    u64 size = 0;
    u64 time = 0;  // FILETIME
    FileVersion version;
    u32 blocks = 0;  // DataBlocks, end marker not counted
    int line = 0;       // of the [[file]] entry's source, for messages
    std::string field;  // "file[2].source"
};

struct InstallPlan {
    InstallHeaderFields header;
    std::vector<PlannedFile> files;
    std::vector<std::string> shortcutLines;
    std::vector<std::string> registryLines;
    std::string runAfter;
    u64 volumeSize = 0;  // 0: no volumes
    u32 sizeTable[7] = {};
    u32 totalBlocks = 0;
    u64 totalBytes = 0;
};

// Reads every named file's metadata and checks every limit. Problems go to diagnostics;
// the plan is only meaningful when no error was reported.
InstallPlan PlanInstall(const Manifest& manifest, Diagnostics& diagnostics);

// The file sizes the header's figures are made from.
std::vector<u64> FileSizesOf(const InstallPlan& plan);
