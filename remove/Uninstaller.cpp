#include "remove/Uninstaller.h"

#include <cstring>

#include "install/RestartMoves.h"
#include "package/InstallLog.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Window.h"
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

// The file part of the log: every file removed, and the folder of every file collected,
// whether or not it went. False when the user cancelled a question about a file.
bool RemoveLoggedFiles(WindowHandle window, RemovalList& directories) {
    char ownPath[PathCapacity];
    if (!PlatformModulePath(ownPath, sizeof ownPath)) ownPath[0] = 0;
    ProtectedFolders protectedFolders;
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
        if (!protectedFolders.Contains(line)) directories.AddEntry(line, 0);
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
