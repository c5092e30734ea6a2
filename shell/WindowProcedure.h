// What the BackgroundWindow does with each message.
#pragma once
#include "platform/Handles.h"
#include "shell/RunModeHandlers.h"

// The instance and handlers the start messages are dispatched with (set once by start-up).
void SetStartHandlers(InstanceHandle instance, const RunModeHandlers& handlers);

// Acts on painting, closing and the three start messages and returns true (the window
// procedure then answers 0); false for every other message, which the system's default
// handling gets. Closing ends the process at once with exit code 0.
bool HandleBackgroundMessage(WindowHandle window, unsigned message);
