// Stand-ins for the run-mode handlers until the wizard and the removal code provide them:
// each only closes the window, which ends the process with exit code 0. Remove a function
// here in the same change that adds its real definition.
#include "shell/RunModeHandlers.h"
#include "shell/ShellMessages.h"

void RunInstallation(InstanceHandle, WindowHandle window) { PlatformPostMessage(window, WindowCloseMessage); }
void RunUninstaller(InstanceHandle, WindowHandle window) { PlatformPostMessage(window, WindowCloseMessage); }
void RunFinalizer(InstanceHandle, WindowHandle window) { PlatformPostMessage(window, WindowCloseMessage); }
