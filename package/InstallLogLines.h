// What the InstallLog's file-part lines say beyond ParseLoggedFile. The uninstaller deletes
// every path of the part alike: a shortcut's link is logged just like a file. Only its
// ".lnk" name tells it apart, and a file of that name reads the same; the installer creates
// shortcuts after the files, so a .lnk line just before UNINST.EXE is most likely a link.
#pragma once
#include "state/Types.h"

// The path (its first `length` characters) ends in ".lnk", in any letter case.
bool LoggedPathIsLink(const char* path, u32 length);
// The path's last component is `name`, compared without regard to case: the file names of
// PACKWRIGHT_FINALIZER_PATH and PACKWRIGHT_UNINSTALLER_PATH begin and end the part.
bool LoggedPathNames(const char* path, u32 length, const char* name);
