#include "install/Shortcuts.h"

#include <cstring>

#include "install/DialogIds.h"
#include "install/Directories.h"
#include "install/InstallLogWriter.h"
#include "install/PathMacros.h"
#include "install/RunAccount.h"
#include "install/ProgressControls.h"
#include "package/PackageReader.h"
#include "package/ShortcutLine.h"
#include "package/StubPackage.h"
#include "platform/Shell.h"
#include "state/SetupState.h"

namespace {
const char LinkExtension[] = ".lnk";

// One part of the line, expanded into out (PathCapacity bytes); false when it does not fit.
bool ExpandPart(const char* text, u32 length, char* out) {
    if (length >= PathCapacity) return false;
    std::memcpy(out, text, length);
    out[length] = 0;
    return ExpandPathMacros(out);
}

// The link's path as it is saved and logged: expanded, with ".lnk" when its last component
// has no ".", and short enough for the log to name it whole.
bool LinkPath(const ShortcutParts& parts, char* link) {
    if (!ExpandPart(parts.link, parts.linkLength, link)) return false;
    u32 length = static_cast<u32>(std::strlen(link));
    if (!LinkNeedsExtension(link, length)) return true;
    if (length + sizeof LinkExtension > PathCapacity) return false;
    std::strcpy(link + length, LinkExtension);
    return true;
}

void CreateShortcut(const char* line) {
    ShortcutParts parts;
    SplitShortcutLine(line, &parts);
    char link[PathCapacity], target[PathCapacity], arguments[PathCapacity], directory[PathCapacity];
    // A link that cannot be named whole is neither made nor logged; a part that cannot be
    // expanded whole leaves the shortcut unmade, never pointing somewhere else.
    if (!LinkPath(parts, link)) return;
    if (ExpandPart(parts.target, parts.targetLength, target) &&
        ExpandPart(parts.arguments, parts.argumentsLength, arguments) &&
        ExpandPart(parts.workingDirectory, parts.workingDirectoryLength, directory))
        CreateShellLink(link, target, arguments, directory);
    LogCountedString(link);
    AccountLine("shortcut", link);
}
}  // namespace

bool CreateShortcuts(WindowHandle dialog) {
    SetStatusText(dialog, "Creating shortcuts...");
    ShowControl(dialog, PROGRESS_FILE_BAR, false);
    ShowControl(dialog, PROGRESS_CANCEL, false);
    while (!g_setup.Cancelled) {
        u8 line[CountedStringCapacity];
        if (ReadPackageLine(line) <= 0) break;
        const char* text = reinterpret_cast<const char*>(line);
        if (!std::strchr(text, ShortcutLinkEnd)) break;
        CreateShortcut(text);
    }
    return true;
}

bool CreateShellLink(const char* link, const char* target, const char* arguments, const char* workingDirectory) {
    if (!CreateParentDirectories(nullptr, link)) return false;
    return PlatformCreateShortcut(link, target, arguments, workingDirectory);
}
