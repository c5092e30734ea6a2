#include "shell/WindowProcedure.h"

#include "platform/Process.h"
#include "shell/Background.h"
#include "shell/ShellMessages.h"

namespace {
InstanceHandle g_instance = nullptr;
RunModeHandlers g_handlers = {};

void Run(RunModeHandler handler, WindowHandle window) {
    if (handler) handler(g_instance, window);
}
}  // namespace

void SetStartHandlers(InstanceHandle instance, const RunModeHandlers& handlers) {
    g_instance = instance;
    g_handlers = handlers;
}

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
            Run(g_handlers.install, window);
            return true;
        case StartUninstallationMessage:
            Run(g_handlers.uninstall, window);
            return true;
        case StartFinalizationMessage:
            Run(g_handlers.finalize, window);
            return true;
        default:
            return false;
    }
}
