// The two companion programs in the program directory, each a copy of the running Stub
// followed by a small Package: FINALIZE.EXE (RunMode 2) finishes deferred replacements
// after a restart; UNINST.EXE (RunMode 1) is registered with the system and stays open as
// the InstallLog that the Uninstaller replays.
#pragma once

// Writes the image at path (an expanded path). The uninstaller is registered once its
// image is complete and stays open as the InstallLog. False when the image could not be
// written whole: a short uninstaller could not uninstall, so nothing of it is left (no
// file, no registration, no log) and the failure has been told, as the first of the run.
bool WriteCompanionImage(const char* path, bool isUninstaller);
