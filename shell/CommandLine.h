// Command-line handling of start-up: the tail after the program name, the "/step2" switch
// of the Uninstaller's temporary copy, and where that copy and its folder go.
#pragma once
#include "state/RunOptions.h"
#include "state/Types.h"

// The command line with the program name and the blanks after it removed; blanks at the
// end stay. A quoted name runs up to its closing quote, an unquoted one up to the first
// blank or control character.
const char* CommandLineTail(const char* commandLine);

// True when the whole tail is "/step2", in any mix of cases, with nothing trimmed.
bool IsStep2Switch(const char* tail);

// The temporary directory (one trailing backslash tolerated) followed by the file part of
// the executable path from its last backslash on, so exactly one backslash separates them.
// False when the result would not fit in capacity bytes.
bool TemporaryCopyPath(const char* modulePath, const char* tempDirectory, char* out, u32 capacity);

// A folder for the copy: the temporary directory (one trailing backslash tolerated), a
// backslash, "~ZS" and the number in eight hexadecimal digits. False when it would not fit.
bool TemporaryFolderPath(const char* tempDirectory, u32 number, char* out, u32 capacity);

// The copy's command line: its path in quotes, then " /step2", and " /S" after it for a
// quiet Uninstaller, whose copy must run as quietly. The quotes keep a temporary directory
// with blanks from being read as a shorter program name. False when it would not fit in
// capacity bytes.
bool Step2CommandLine(const char* copyPath, char* out, u32 capacity, bool quiet = false);

// Reads the switches of a tail into options, ending each value with a NUL written into the
// tail. Names are matched in any case; a value runs to the next " /" or the end (blanks at
// its end dropped), or is quoted; "/D=" takes the rest of the tail. False when the tail is
// malformed: text that is no switch, an unknown switch, one given twice (synonyms count as
// one), or a value that is empty or lacks its closing quote.
bool ParseSwitches(char* tail, RunOptions* options);
