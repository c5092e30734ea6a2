// A line of the shortcut section: link "=" target TAB arguments TAB working directory.
// The first "=" ends the link; of the rest the first TAB ends the target and the next the
// arguments; missing TABs leave the later parts empty. An empty line ends the section, and
// so does a line without "=".
#pragma once
#include "state/Types.h"

constexpr char ShortcutLinkEnd = '=';
constexpr char ShortcutPartSeparator = '\t';

// The four parts as (start, length) pieces of the line, read up to its first NUL as the
// installer reads it.
struct ShortcutParts {
    const char* link;
    u32 linkLength;
    const char* target;
    u32 targetLength;
    const char* arguments;
    u32 argumentsLength;
    const char* workingDirectory;
    u32 workingDirectoryLength;
};

// False when the line has no "=" (it then ends the section).
bool SplitShortcutLine(const char* line, ShortcutParts* parts);

// A link whose last path component has no "." gets ".lnk" appended by the installer.
bool LinkNeedsExtension(const char* link, u32 length);
