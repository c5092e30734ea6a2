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
}  // namespace

// How the first process places its copy. A quiet one moves its own file there: no process
// then runs from the program folder, and the copy can remove it whole while this process
// waits. Where it cannot move (another volume), it copies.
bool PlaceTemporaryCopy(const char* modulePath, const char* copyPath) {
    if (QuietRun()) {
        PlatformDeleteFile(copyPath);  // a copy an earlier run left
        if (PlatformMoveFile(modulePath, copyPath)) return true;
    }
    return PlatformCopyFile(modulePath, copyPath);
}

int RelaunchFromTemporaryCopy() {
    char modulePath[PathCapacity];
    char tempDirectory[PathCapacity];
    char copyPath[PathCapacity];
    if (!PlatformModulePath(modulePath, sizeof modulePath)) return -1;
    if (!PlatformTempDirectory(tempDirectory, sizeof tempDirectory)) return -1;
    if (!TemporaryCopyPath(modulePath, tempDirectory, copyPath, sizeof copyPath)) return -1;
    // Copying onto itself fails, so a copy started without the switch runs in place.
    if (!PlaceTemporaryCopy(modulePath, copyPath)) return -1;
    // A quiet first process waits for its copy, so the copy must not wait for it.
    if (!QuietRun()) PlatformCreateOwnedMutex(UninstallMutexName);

    char windowsDirectory[PathCapacity];
    char commandLine[PathCapacity + 16];
    if (!PlatformWindowsDirectory(windowsDirectory, sizeof windowsDirectory)) return -1;
    if (!Step2CommandLine(copyPath, commandLine, sizeof commandLine, QuietRun())) return -1;
    // Interactive, the copy runs on its own and this process ends with 0. Quiet, this process
    // waits for the copy and ends with its exit code, so whoever started it knows when
    // removal is over.
    return PlatformStartProcess(commandLine, windowsDirectory, QuietRun());
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
