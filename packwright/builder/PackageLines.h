// The text records of the Package's shortcut and registry sections, and the path-macro rules
// the builder checks targets against. These are the installer's formats: change nothing.
#pragma once
#include <string>

#include "packwright/builder/Manifest.h"
#include "packwright/writer/PackageLimits.h"

// link "=" target TAB arguments TAB working directory
std::string ShortcutLine(const ManifestShortcut& s);
// ":" ROOT\sub key
std::string RegistryKeyLine(const ManifestRegistryKey& k);
// name "=" type byte data; type S, D (4 bytes little-endian), B (u16 length, bytes) or N.
std::string RegistryValueLine(const ManifestRegistryValue& v);

// True when text starts with one of the path macros the installer expands
// ({OurProgramDir}, {WinDir}, ...), compared without regard to case as the installer does.
bool StartsWithKnownMacro(const std::string& text);
// True when text is nothing but one known macro, such as "{OurProgramDir}": a folder.
bool IsBareMacro(const std::string& text);
// The "{...}" token at the first "{" of text when the installer would not expand it, else "".
std::string UnknownMacroToken(const std::string& text);
// True when text uses the given macro, case-insensitively ("{OurProgramDir}").
bool UsesMacro(const std::string& text, const std::string& macro);
