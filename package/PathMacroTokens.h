// The path macros a Package's paths begin with: "{Name}" tokens that stand for folders
// known only on the user's machine. Only the first "{" of a path is looked at; a token is
// compared without regard to case over a fixed number of characters, so two of them match
// on a prefix ("{OurProgramDirectory}" counts as "{OurProgramDir}").
#pragma once
#include "state/Types.h"

enum class PathMacro : u8 {
    OurProgramDir,   // the program directory
    WinDir,          // the Windows directory
    WinSysDir,       // the system directory
    WinDrive,        // the drive letter of the Windows directory, without colon
    OurShortcutDir,  // the Programs folder, "\" and the start-menu folder
    StartUp,
    StartMenu,
    StartPrograms,
    Desktop,
};

struct PathMacroToken {
    const char* token;  // as written in manifests and documentation
    u32 compared;       // characters compared
    PathMacro macro;
};

// The tokens in the order they are tried.
extern const PathMacroToken PathMacroTokens[9];

// The token that text (at a "{") starts with, or null. A text that ends before the compared
// characters do does not match.
const PathMacroToken* MatchPathMacro(const char* text);
