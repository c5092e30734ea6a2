#include "shell/WindowProcedure.h"

#include "shell/Background.h"
#include "shell/RunModeHandlers.h"
#include "shell/ShellMessages.h"
#include "shell/StartUp.h"

bool HandleBackgroundMessage(WindowHandle window, unsigned message) {
    switch (message) {
        case WindowPaintMessage:
            PaintBackground(window);
            return true;
        case WindowCloseMessage:
            // Handlers close the window while their own dialogs may still exist: nothing
            // is left to clean up that the system does not release with the process.
            PlatformExitProcess(0);
        case StartInstallationMessage:
            RunInstallation(ProgramInstance(), window);
            return true;
        case StartUninstallationMessage:
            RunUninstaller(ProgramInstance(), window);
            return true;
        case StartFinalizationMessage:
            RunFinalizer(ProgramInstance(), window);
            return true;
        default:
            return false;
    }
}
