// Paths on the user's machine are written in the Package relative to a path macro, a
// "{Name}" token at their first "{" that stands for a folder known only there: the program
// directory, the Windows directory, a start-menu folder. Expansion replaces it in place.
#pragma once
#include "state/Types.h"

// Expands the token at the first "{" of path, a buffer of PathCapacity bytes; a path
// without one, or with an unknown token, stays as it is. False, with path unchanged, when
// the result would not fit the buffer or the token's folder cannot be had: the caller then
// treats the path as one it cannot use, never as a shorter or different one.
bool ExpandPathMacros(char* path);

// The same into a buffer of its own: `out` (PathCapacity bytes) receives the expansion of text.
bool ExpandPathMacrosInto(const char* text, char* out);
