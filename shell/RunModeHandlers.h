// The three run-mode handlers the BackgroundWindow calls on its start message. Each runs to
// its end on the main thread and finishes by posting WM_CLOSE to the window. The program's
// entry point hands them to start-up as a table.
#pragma once
#include "platform/Handles.h"

using RunModeHandler = void (*)(InstanceHandle instance, WindowHandle window);

struct RunModeHandlers {
    RunModeHandler install;
    RunModeHandler uninstall;
    RunModeHandler finalize;
};
