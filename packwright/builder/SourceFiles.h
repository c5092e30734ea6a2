// Finding the files a [[file]] entry names: a plain path or a glob relative to the manifest,
// each match paired with its target path on the installed system, in a stable order.
#pragma once
#include <string>
#include <vector>

#include "state/Types.h"

struct SourceMatch {
    std::string path;      // on this machine
    std::string relative;  // below the pattern's fixed folder, '/'-separated: "sub/a.txt"
};

// True when the pattern holds *, ? or [ ... ].
bool IsGlobPattern(const std::string& pattern);

// The regular files that the pattern names under base, sorted by their relative path so that
// builds do not depend on directory order. Segments may use *, ? and [...]; a segment "**"
// matches any number of folders. A plain path gives that one file (relative: its name), or
// nothing when it is not a regular file. Hidden files match only a segment that starts with '.'.
// Each folder a glob had to list but could not goes into unreadableFolders ("'path': reason").
std::vector<SourceMatch> FindSourceFiles(const std::string& base, const std::string& pattern,
                                         std::vector<std::string>* unreadableFolders = nullptr);

// The installed path of a match: target itself for a plain source, or target as a folder
// with the match's relative path appended (backslashes) for a glob or a target ending in '\'.
std::string TargetPathFor(const std::string& target, const SourceMatch& match, bool asFolder);
