// The three run-mode handlers the BackgroundWindow calls on its start message. Each runs to
// its end on the main thread and finishes by posting WM_CLOSE to the window.
#pragma once
#include "shell/platform/Platform.h"

void RunInstallation(InstanceHandle instance, WindowHandle window);
void RunUninstaller(InstanceHandle instance, WindowHandle window);
void RunFinalizer(InstanceHandle instance, WindowHandle window);
