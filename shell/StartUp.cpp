#include "shell/StartUp.h"

#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "shell/CommandLine.h"
#include "shell/QuietRun.h"
#include "shell/ShellMessages.h"
#include "shell/WindowProcedure.h"
#include "state/SetupState.h"

namespace {
const char UninstallMutexName[] = "ZelSetupUninstall";
const char WindowClassName[] = "ZelSetupWindow";
const char WindowTitle[] = "Marrowfen Setup Utility";

// Only administrators and the system may change the copy's folder and what is in it
// (protected: nothing is inherited from the user's temporary folder). The copy runs with
// administrator rights; a folder the user's other programs could write would let them swap
// the copy or plant a library beside it.
const char GuardedFolderRules[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
// A name that is taken is passed over, never reused; after this many the copy is not made.
constexpr u32 FolderAttempts = 8;

bool MakeGuardedTemporaryFolder(char* folder, u32 capacity) {
    char tempDirectory[PathCapacity];
    if (!PlatformTempDirectory(tempDirectory, sizeof tempDirectory)) return false;
    u32 number = PlatformUniqueNumber();
    for (u32 attempt = 0; attempt < FolderAttempts; ++attempt)
        if (TemporaryFolderPath(tempDirectory, number + attempt, folder, capacity) &&
            PlatformCreateGuardedDirectory(folder, GuardedFolderRules))
            return true;
    return false;
}

// How the first process places its copy. A quiet one moves its own file there: no process
// then runs from the program folder, and the copy can remove it whole while this process
// waits. Where it cannot move (another volume), it copies.
bool PlaceTemporaryCopy(const char* modulePath, const char* copyPath) {
    if (QuietRun() && PlatformMoveFile(modulePath, copyPath)) return true;
    return PlatformCopyFile(modulePath, copyPath);
}

// Places the running executable into the folder; both go at the next restart, the file first
// so that the folder is empty by its turn.
bool CopyIntoFolder(const char* modulePath, const char* folder, char* copyPath, u32 capacity) {
    if (!TemporaryCopyPath(modulePath, folder, copyPath, capacity) || !PlaceTemporaryCopy(modulePath, copyPath)) {
        PlatformRemoveDirectory(folder);
        return false;
    }
    PlatformMoveAtRestart(copyPath, nullptr);
    PlatformMoveAtRestart(folder, nullptr);
    return true;
}

// Starts the copy with "/step2" in the Windows directory. Interactive, it holds the mutex the
// copy waits on, the copy runs on its own and this process ends with 0. Quiet, this process
// waits for the copy and ends with its exit code, so whoever started it knows when removal
// is over; the copy then must not wait for it.
int StartCopy(const char* copyPath) {
    if (!QuietRun()) PlatformCreateOwnedMutex(UninstallMutexName);
    char windowsDirectory[PathCapacity];
    char commandLine[PathCapacity + 16];
    if (!PlatformWindowsDirectory(windowsDirectory, sizeof windowsDirectory)) return -1;
    if (!Step2CommandLine(copyPath, commandLine, sizeof commandLine, QuietRun())) return -1;
    return PlatformStartProcess(commandLine, windowsDirectory, QuietRun());
}
}  // namespace

int RelaunchFromTemporaryCopy() {
    char modulePath[PathCapacity];
    char folder[PathCapacity];
    char copyPath[PathCapacity];
    if (!PlatformModulePath(modulePath, sizeof modulePath) || !MakeGuardedTemporaryFolder(folder, sizeof folder) ||
        !CopyIntoFolder(modulePath, folder, copyPath, sizeof copyPath))
        return -1;
    return StartCopy(copyPath);
}

int RunStartUp(InstanceHandle instance, const char* commandLineTail, const RunModeHandlers& handlers) {
    if (!ReadSwitches(commandLineTail)) return ExitMalformed;
    // A header block that fails its checks makes the Package as unusable as a missing one.
    if (!OpenNextVolume() || !ReadPackageHeader()) {
        PlatformMessageBox(nullptr, "Open failed!", "ZelSetup", MbOk | MbIconError);
        return QuietExit(QuietRun() ? ExitFailed : 1);
    }
    if (g_setup.Mode == RunMode::Uninstall) {
        if (IsStep2Switch(commandLineTail) || (g_run.step2 && QuietRun())) {
            PlatformWaitForMutex(UninstallMutexName);
        } else {
            int code = RelaunchFromTemporaryCopy();
            if (code >= 0) return QuietExit(code);
        }
    }

    SetStartHandlers(instance, handlers);
    // A quiet run has no window: the start message's handler runs at once.
    if (QuietRun()) {
        HandleBackgroundMessage(nullptr, StartMessageFor(g_setup.Mode));
        return QuietExit(g_run.exitCode);
    }
    WindowHandle window = PlatformCreateBackgroundWindow(instance, WindowClassName, WindowTitle, HandleBackgroundMessage);
    if (!window) return 1;
    PlatformInitCommonControls();
    PlatformShowAndUpdate(window);
    PlatformPostMessage(window, StartMessageFor(g_setup.Mode));
    int exitCode = PlatformRunMessageLoop();
    CloseVolume();
    return exitCode;
}
