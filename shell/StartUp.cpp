#include "shell/StartUp.h"

#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Window.h"
#include "shell/CommandLine.h"
#include "shell/ShellMessages.h"
#include "shell/WindowProcedure.h"
#include "state/SetupState.h"

namespace {
const char UninstallMutexName[] = "ZelSetupUninstall";
const char WindowClassName[] = "ZelSetupWindow";
const char WindowTitle[] = "Marrowfen Setup Utility";
}  // namespace

bool RelaunchFromTemporaryCopy() {
    char modulePath[PathCapacity];
    char tempDirectory[PathCapacity];
    char copyPath[PathCapacity];
    if (!PlatformModulePath(modulePath, sizeof modulePath)) return false;
    if (!PlatformTempDirectory(tempDirectory, sizeof tempDirectory)) return false;
    if (!TemporaryCopyPath(modulePath, tempDirectory, copyPath, sizeof copyPath)) return false;
    // Copying onto itself fails, so a copy started without the switch runs in place.
    if (!PlatformCopyFile(modulePath, copyPath)) return false;
    PlatformCreateOwnedMutex(UninstallMutexName);

    char windowsDirectory[PathCapacity];
    char commandLine[PathCapacity + 16];
    if (!PlatformWindowsDirectory(windowsDirectory, sizeof windowsDirectory)) return false;
    if (!Step2CommandLine(copyPath, commandLine, sizeof commandLine)) return false;
    return PlatformStartProcess(commandLine, windowsDirectory);
}

int RunStartUp(InstanceHandle instance, const char* commandLineTail, const RunModeHandlers& handlers) {
    // A header block that fails its checks makes the Package as unusable as a missing one.
    if (!OpenNextVolume() || !ReadPackageHeader()) {
        PlatformMessageBox(nullptr, "Open failed!", "ZelSetup", MbOk | MbIconError);
        return 1;
    }
    if (g_setup.Mode == RunMode::Uninstall) {
        if (IsStep2Switch(commandLineTail)) {
            PlatformWaitForMutex(UninstallMutexName);
        } else if (RelaunchFromTemporaryCopy()) {
            return 0;
        }
    }

    SetStartHandlers(instance, handlers);
    WindowHandle window = PlatformCreateBackgroundWindow(instance, WindowClassName, WindowTitle, HandleBackgroundMessage);
    if (!window) return 1;
    PlatformInitCommonControls();
    PlatformShowAndUpdate(window);
    PlatformPostMessage(window, StartMessageFor(g_setup.Mode));
    int exitCode = PlatformRunMessageLoop();
    CloseVolume();
    return exitCode;
}
