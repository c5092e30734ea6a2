// `packwright build`: a manifest and the files it names in, a setup executable (and its
// volume files) out. Nothing is written under the output's name unless the whole build
// succeeds; a failed build leaves earlier outputs as they were.
#pragma once
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "packwright/builder/Diagnostics.h"
#include "packwright/writer/VolumeComparison.h"
#include "state/Types.h"

struct BuildOptions {
    std::string manifestPath;
    std::string outputPath;
    std::string stubPath;             // empty: the stub shipped with the packwright tool
    unsigned jobs = 0;                // 0: all cores
    std::optional<u64> volumeSize;    // overrides the manifest's volume_size; 0 turns volumes off
    // Seconds since 1970: file times after it are recorded as it (SOURCE_DATE_EPOCH), so a
    // fresh checkout builds the same bytes as the commit it came from.
    std::optional<long long> latestFileTime;
    std::FILE* messages = stderr;     // warnings; null: silent
    std::function<void(u64 bytesDone, u64 totalBytes)> progress;
};

struct BuildResult {
    std::vector<std::string> volumes;  // paths written, the executable first
    std::vector<u64> volumeSizes;
    u64 fileCount = 0;
    u64 inputBytes = 0;
    u32 totalBlocks = 0;
    u64 volumeSize = 0;  // the largest size of a volume file; 0: one volume
    std::vector<Diagnostic> warnings;
};

// Throws ManifestError (every diagnostic) or BuildError with a message ready to print.
BuildResult BuildInstaller(const BuildOptions& options);

// Builds in memory what BuildInstaller would write (options.outputPath names the installer
// to compare with) and compares it byte for byte with the files there. Throws as
// BuildInstaller does when the manifest or its files have problems.
VolumeComparison CompareWithBuild(const BuildOptions& options);

// Where the default stub lives: "stub.exe" beside the running packwright binary, or in
// ../lib/packwright/ of an installed tree (see ShippedFiles.h).
std::string DefaultStubPath();
// The window driver of `packwright try`, found where the stub is.
std::string DefaultDriverPath();
