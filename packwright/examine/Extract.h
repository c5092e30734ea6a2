// `packwright extract`: every packaged file written under a destination folder.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "packwright/examine/ExaminedPackage.h"
#include "state/Types.h"

struct ExtractOptions {
    unsigned jobs = 1;
    bool keepGoing = false;  // past a damaged or refused file to the next one the stream allows
    bool force = false;      // replace files that exist in the destination
    std::function<void(u64 done, u64 total)> progress;
};

struct ExtractSummary {
    u32 files = 0;  // written
    u64 bytes = 0;
    std::vector<std::string> notWritten;  // "file 3 '...': why"
    std::vector<std::string> warnings;    // times the file system refused; the data itself was written
    ExaminedPackage package;             // what reading found, problems included
};

// Writes each file to a temporary name beside its target and renames it once complete, with
// the record's time as its modification time; no partial file is ever left. Without
// keepGoing it stops at the first damaged file. Throws ExamineError when there is nothing to
// extract, when files exist in the destination without force (before anything is written),
// or when writing fails.
ExtractSummary ExtractPackage(const std::string& installerPath, const std::string& destination,
                              const ExtractOptions& options = {});
