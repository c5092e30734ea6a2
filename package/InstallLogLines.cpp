#include "package/InstallLogLines.h"

namespace {
char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

bool EndsWithIgnoringCase(const char* text, u32 length, const char* suffix) {
    u32 n = 0;
    while (suffix[n]) ++n;
    if (n > length) return false;
    for (u32 i = 0; i < n; ++i)
        if (Upper(text[length - n + i]) != Upper(suffix[i])) return false;
    return true;
}
}  // namespace

bool LoggedPathIsLink(const char* path, u32 length) { return EndsWithIgnoringCase(path, length, ".lnk"); }

bool LoggedPathNames(const char* path, u32 length, const char* name) {
    u32 n = 0;
    while (name[n]) ++n;
    if (!EndsWithIgnoringCase(path, length, name)) return false;
    return n == length || path[length - n - 1] == '\\' || path[length - n - 1] == '/';
}
