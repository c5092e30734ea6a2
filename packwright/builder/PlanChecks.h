// The checks and conversions that planning applies to the manifest's texts, shared by the
// steps of InstallPlan.
#pragma once
#include <string>

#include "packwright/builder/Diagnostics.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/Manifest.h"
#include "packwright/writer/PackageLimits.h"

// The rules every text of the Package shares: no NUL (texts end at one), at most `limit` bytes.
void CheckText(Diagnostics& d, int line, const std::string& field, const std::string& text,
               std::size_t limit = CountedStringLimit);
void CheckNoChar(Diagnostics& d, int line, const std::string& field, const std::string& text, char c, const char* why);
// "1.2" to "1.2.3.4", each part 0 to 65535: what a version resource's numbers can hold.
bool IsProductVersion(const std::string& text);
// Warns about a "{Token}" the installer would leave in the text as written.
void WarnUnknownMacro(Diagnostics& d, int line, const std::string& field, const std::string& text);
// Warns when a path on the installed system does not start with a path macro.
void CheckInstalledPath(Diagnostics& d, int line, const std::string& field, const std::string& path);

std::string Printable(const std::string& text);
std::string Backslashes(std::string path);
std::string Lower(std::string text);

// Converts one text to the installer's code page in place, or reports why it cannot be.
void ToAnsi(Diagnostics& d, int line, const std::string& field, std::string& text);
// The manifest with every text that reaches the Package in the installer's code page.
Manifest InWindows1252(Manifest m, Diagnostics& d);
