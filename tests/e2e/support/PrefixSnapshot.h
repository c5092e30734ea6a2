// What the prefix holds, to compare before an installation and after its removal: every
// folder and file of drive C (files with their size and time), and every key and value of
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER as the system exports them.
#pragma once
#include <set>
#include <string>
#include <vector>

namespace e2e {

struct PrefixSnapshot {
    std::set<std::string> entries;  // "file C:\...", "folder C:\...", "key [...]", "value [...] name=data"
};

// The harness's own folders (C:\e2e) are left out: the tests' traces live there. So are the
// display adapters Wine registers afresh for every desktop it starts.
PrefixSnapshot TakePrefixSnapshot();

// "+ entry" for what `after` holds and `before` did not, "- entry" for the reverse.
std::vector<std::string> Difference(const PrefixSnapshot& before, const PrefixSnapshot& after);

}  // namespace e2e
