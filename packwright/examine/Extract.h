// `packwright extract`: every packaged file written under a destination folder.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "state/Types.h"

struct ExtractSummary {
    u32 files = 0;
    u64 bytes = 0;
    // Inconsistent bookkeeping or times the file system refused; the data itself was sound.
    std::vector<std::string> problems;
};

// Writes each file to a temporary name beside its target and renames it once complete, with
// the record's time as its modification time. Throws ExamineError naming the damaged part
// or the refused name; files completed before the failure stay, no partial file does.
ExtractSummary ExtractPackage(const std::string& installerPath, const std::string& destination,
                              const std::function<void(u64 done, u64 total)>& progress = {});
