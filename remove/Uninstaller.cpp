#include "remove/Uninstaller.h"

#include <cstring>

#include "install/RestartMoves.h"
#include "package/InstallLog.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "remove/FileRemoval.h"
#include "remove/PathText.h"
#include "remove/ProtectedFolders.h"
#include "remove/RegistryRemoval.h"
#include "remove/RemovalList.h"
#include "remove/SharedFiles.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"

namespace {
const char ConfirmText[] = "Are you SURE you wish to uninstall this program?";
const char ConfirmCaption[] = "Confirm";
const char DoneText[] = "This program has been removed.";
const char DoneCaption[] = "Done.";
const char CancelledText[] =
    "Uninstall cancelled; some files were not removed. Please re-run the uninstall program when they are no "
    "longer in use.";

// Removes what one file line names. The running program's own file is left to the end of
// the run, which deletes it or leaves it to the next restart: asking the user to retry
// deleting it could never succeed.
bool RemoveLoggedFile(const char* path, bool shared, const char* ownPath, WindowHandle window) {
    if (shared) return ReleaseSharedFile(path, window);
    if (SameTextIgnoringCase(path, ownPath)) return true;
    return DeleteWithPrompts(path, window);
}

// Lists the folder of a logged file and, when it lies inside the program directory, each
// folder above it up to that directory: a product's folders hold only what it installed,
// and removing lib\py alone would leave lib and the program directory behind, empty. The
// list tries them deepest first, so a folder that still holds anything stays, and so do
// the folders above it. Nothing above the program directory, and no protected folder, is
// ever listed.
void ListFolder(char* folder, const char* programDir, const ProtectedFolders& protectedFolders,
                RemovalList& directories) {
    std::size_t top = std::strlen(programDir);
    bool inside = false;
    if (std::strlen(folder) > top && folder[top] == '\\') {
        folder[top] = 0;
        inside = SameTextIgnoringCase(folder, programDir);
        folder[top] = '\\';
    }
    for (;;) {
        if (protectedFolders.Contains(folder)) return;
        directories.AddEntry(folder, 0);
        char* cut = std::strrchr(folder, '\\');
        if (!inside || !cut || static_cast<std::size_t>(cut - folder) < top) return;
        *cut = 0;
    }
}

// The file part of the log: every file removed, and the folders that may be left empty
// listed, whether or not the file went. False when the user cancelled a question about a file.
bool RemoveLoggedFiles(WindowHandle window, RemovalList& directories) {
    char ownPath[PathCapacity];
    if (!PlatformModulePath(ownPath, sizeof ownPath)) ownPath[0] = 0;
    ProtectedFolders protectedFolders;
    // The log's first line is FINALIZE.EXE, which lies in the program directory.
    char programDir[PathCapacity];
    programDir[0] = 0;
    for (;;) {
        char line[CountedStringCapacity];
        std::strcpy(line, ReadCountedString());
        if (!line[0]) return true;
        LoggedFile file = ParseLoggedFile(line);
        line[file.pathLength] = 0;
        if (!RemoveLoggedFile(line, file.shared, ownPath, window)) return false;
        char* lastBackslash = std::strrchr(line, '\\');
        if (!lastBackslash) continue;
        *lastBackslash = 0;
        if (!programDir[0]) std::strcpy(programDir, line);
        ListFolder(line, programDir, protectedFolders, directories);
    }
}

// The running image cannot delete itself; the next restart does.
void RemoveOwnExecutable() {
    char ownPath[PathCapacity];
    if (!PlatformModulePath(ownPath, sizeof ownPath)) return;
    if (!PlatformDeleteFile(ownPath)) DeferredDelete(ownPath);
}
}  // namespace

void RunUninstaller(InstanceHandle, WindowHandle window) {
    if (PlatformMessageBox(window, ConfirmText, ConfirmCaption, MbYesNo | MbIconQuestion) != IdYes) {
        PlatformPostMessage(window, MessageClose);
        return;
    }
    RemovalList directories;
    if (!RemoveLoggedFiles(window, directories)) {
        // Nothing more is removed: the user re-runs the Uninstaller, which replays the
        // whole log, once the files are free. The registry entries keep the product listed.
        PlatformMessageBox(window, CancelledText, nullptr, MbIconError);
        PlatformPostMessage(window, MessageClose);
        directories.Clear();
        if (QuietRun()) g_run.exitCode = ExitFailed;
        return;
    }
    RemoveRegistryEntries();
    // Only files that were in use make the restart needed: the running program's own
    // file always waits for it.
    if (QuietRun()) g_run.exitCode = g_setup.RebootNeeded ? ExitRestartNeeded : ExitSuccess;
    RemoveOwnExecutable();
    PlatformMessageBox(window, DoneText, DoneCaption, MbIconInformation);
    directories.RemoveDirectories();
    PlatformPostMessage(window, MessageClose);
}
