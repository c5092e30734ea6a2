#include "package/ShortcutLine.h"

namespace {
u32 LengthUpTo(const char* text, char stop) {
    u32 n = 0;
    while (text[n] && text[n] != stop) ++n;
    return n;
}
}  // namespace

bool SplitShortcutLine(const char* line, ShortcutParts* p) {
    u32 link = LengthUpTo(line, ShortcutLinkEnd);
    if (line[link] != ShortcutLinkEnd) return false;
    *p = {line, link, nullptr, 0, "", 0, "", 0};
    p->target = line + link + 1;
    p->targetLength = LengthUpTo(p->target, ShortcutPartSeparator);
    if (p->target[p->targetLength] != ShortcutPartSeparator) return true;
    p->arguments = p->target + p->targetLength + 1;
    p->argumentsLength = LengthUpTo(p->arguments, ShortcutPartSeparator);
    if (p->arguments[p->argumentsLength] != ShortcutPartSeparator) return true;
    p->workingDirectory = p->arguments + p->argumentsLength + 1;
    p->workingDirectoryLength = LengthUpTo(p->workingDirectory, 0);
    return true;
}

bool LinkNeedsExtension(const char* link, u32 length) {
    for (u32 i = length; i > 0; --i) {
        if (link[i - 1] == '\\') return true;
        if (link[i - 1] == '.') return false;
    }
    return true;
}
