// The InstallLog: the CountedStrings that follow UNINST.EXE's companion header.
//
//   file part      one line per file written (its expanded path, followed by one TAB when
//                  the file is shared) and per shortcut (its link path), with FINALIZE.EXE
//                  first and UNINST.EXE last; an empty line ends it
//   registry part  groups: a key line (":" ROOT "\" key, as in the Package), one line per
//                  value name ("@" for the default value), an empty line; an empty line
//                  where a key line is due ends the part
//
// When the product has an uninstall name the installer adds two groups of its own: the
// remembered choices and the uninstall registration.
#pragma once
#include "state/Types.h"

// The companion programs, in the program directory.
#define PACKWRIGHT_FINALIZER_PATH "{OurProgramDir}\\FINALIZE.EXE"
#define PACKWRIGHT_UNINSTALLER_PATH "{OurProgramDir}\\UNINST.EXE"

// Under HKEY_LOCAL_MACHINE, each followed by the uninstall name.
#define PACKWRIGHT_REMEMBERED_CHOICES_KEY "Software\\ZelSetup\\"
#define PACKWRIGHT_UNINSTALL_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"

// The two groups' key lines (each followed by the uninstall name) and value names.
constexpr char RememberedChoicesKeyLine[] = ":HKEY_LOCAL_MACHINE\\" PACKWRIGHT_REMEMBERED_CHOICES_KEY;
constexpr char UninstallKeyLine[] = ":HKEY_LOCAL_MACHINE\\" PACKWRIGHT_UNINSTALL_KEY;
constexpr char RememberedPathValue[] = "Path";
constexpr char RememberedFolderValue[] = "SPath";
constexpr char DisplayNameValue[] = "DisplayName";
constexpr char UninstallStringValue[] = "UninstallString";

// The longest uninstall name whose key line still fits a CountedString.
constexpr u32 UninstallNameLimit = 255 - (sizeof UninstallKeyLine - 1);

// The shared-file marker after a file line's path.
constexpr char SharedFileMarker = '\t';

// A file-part line: the length of its path (up to the first TAB) and whether it is shared.
struct LoggedFile {
    u32 pathLength;
    bool shared;
};
LoggedFile ParseLoggedFile(const char* line);
