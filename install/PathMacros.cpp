#include "install/PathMacros.h"

#include <cstring>

#include "package/PathMacroTokens.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "state/SetupState.h"

namespace {
const char* TextOrEmpty(const char* text) { return text ? text : ""; }

bool Append(char* out, u32* at, const char* text, u32 length) {
    if (*at + length >= PathCapacity) return false;
    std::memcpy(out + *at, text, length);
    *at += length;
    out[*at] = 0;
    return true;
}

bool Append(char* out, u32* at, const char* text) { return Append(out, at, text, static_cast<u32>(std::strlen(text))); }

// What a token stands for, into out (PathCapacity bytes).
bool Expansion(PathMacro macro, char* out) {
    u32 at = 0;
    out[0] = 0;
    switch (macro) {
        case PathMacro::OurProgramDir: return Append(out, &at, TextOrEmpty(g_setup.ProgramDir));
        case PathMacro::WinDir: return PlatformWindowsDirectory(out, PathCapacity);
        case PathMacro::WinSysDir: return PlatformSystemDirectory(out, PathCapacity);
        case PathMacro::WinDrive: {
            char windows[PathCapacity];
            if (!PlatformWindowsDirectory(windows, sizeof windows)) return false;
            return Append(out, &at, windows, 1);  // the drive letter alone: "{WinDrive}:\..."
        }
        case PathMacro::OurShortcutDir: {
            if (!PlatformSpecialFolder(FolderPrograms, out, PathCapacity)) return false;
            at = static_cast<u32>(std::strlen(out));
            return Append(out, &at, "\\") && Append(out, &at, TextOrEmpty(g_setup.ShortcutFolder));
        }
        case PathMacro::StartUp: return PlatformSpecialFolder(FolderStartUp, out, PathCapacity);
        case PathMacro::StartMenu: return PlatformSpecialFolder(FolderStartMenu, out, PathCapacity);
        case PathMacro::StartPrograms: return PlatformSpecialFolder(FolderPrograms, out, PathCapacity);
        case PathMacro::Desktop: return PlatformSpecialFolder(FolderDesktop, out, PathCapacity);
    }
    return false;
}
}  // namespace

bool ExpandPathMacrosInto(const char* text, char* out) {
    u32 length = static_cast<u32>(std::strlen(text));
    if (length >= PathCapacity) return false;
    const char* open = std::strchr(text, '{');
    const PathMacroToken* token = open ? MatchPathMacro(open) : nullptr;
    if (!token) {
        std::memmove(out, text, length + 1);
        return true;
    }
    // The suffix starts after the first "}" at or after the "{", even when the token
    // matched on a prefix; without one it is empty.
    const char* close = std::strchr(open, '}');
    const char* suffix = close ? close + 1 : "";
    char expansion[PathCapacity];
    if (!Expansion(token->macro, expansion)) return false;
    char result[PathCapacity];
    u32 at = 0;
    result[0] = 0;
    if (!Append(result, &at, text, static_cast<u32>(open - text)) || !Append(result, &at, expansion) ||
        !Append(result, &at, suffix))
        return false;
    std::memcpy(out, result, at + 1);
    return true;
}

bool ExpandPathMacros(char* path) { return ExpandPathMacrosInto(path, path); }
