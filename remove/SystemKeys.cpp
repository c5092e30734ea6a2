#include "remove/SystemKeys.h"

#include "remove/PathText.h"

namespace {
const char CurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

// The length of the prefix of path that matches text up to text's end, or -1.
int MatchedPrefix(const char* path, const char* text) {
    int n = 0;
    for (; text[n]; ++n)
        if (LowerAscii(path[n]) != LowerAscii(text[n])) return -1;
    return n;
}
}  // namespace

bool IsSystemKey(const char* path) {
    if (SameTextIgnoringCase(path, "Software\\Classes")) return true;
    // A key on the way to CurrentVersion: path is a prefix of it ending at a backslash.
    int onTheWay = MatchedPrefix(CurrentVersion, path);
    if (onTheWay > 0 && (CurrentVersion[onTheWay] == 0 || CurrentVersion[onTheWay] == '\\')) return true;
    // A direct subkey of CurrentVersion.
    int below = MatchedPrefix(path, CurrentVersion);
    if (below < 0 || path[below] != '\\' || !path[below + 1]) return false;
    for (const char* rest = path + below + 1; *rest; ++rest)
        if (*rest == '\\') return false;
    return true;
}
