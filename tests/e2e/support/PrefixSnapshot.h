// The prefix's files and registry, compared before an installation and after its removal,
// taken as `packwright try` takes them.
#pragma once
#include <string>
#include <vector>

#include "packwright/try/PrefixSnapshot.h"

namespace e2e {

// The harness's own folders (C:\e2e) are left out: the tests' traces live there.
PrefixSnapshot TakePrefixSnapshot();

// "+ entry" for what `after` holds and `before` did not, "- entry" for the reverse.
std::vector<std::string> Difference(const PrefixSnapshot& before, const PrefixSnapshot& after);

}  // namespace e2e
