// Files that ship with packwright (the Stub, the window driver of `packwright try`), found
// relative to the running binary so that an installed tree can be moved as a whole: beside
// the binary in a build folder, or in ../lib/packwright/ of an installed tree.
#pragma once
#include <string>
#include <vector>

// The places looked at, in order.
std::vector<std::string> ShippedFileCandidates(const std::string& name);

// The first candidate that exists; when none does, the first, for messages to name.
std::string ShippedFilePath(const std::string& name);
