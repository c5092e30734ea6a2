#include "support/PrefixSnapshot.h"

#include "support/WineSession.h"

namespace e2e {

PrefixSnapshot TakePrefixSnapshot() { return SnapshotPrefix(PrefixPath(), "C:\\e2e"); }

std::vector<std::string> Difference(const PrefixSnapshot& before, const PrefixSnapshot& after) {
    std::set<std::string> was = before.Entries(), is = after.Entries();
    std::vector<std::string> lines;
    for (const std::string& entry : is)
        if (!was.count(entry)) lines.push_back("+ " + entry);
    for (const std::string& entry : was)
        if (!is.count(entry)) lines.push_back("- " + entry);
    return lines;
}

}  // namespace e2e
