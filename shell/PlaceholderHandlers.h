// A stand-in for run-mode handlers not built yet: it only closes the window, which ends the
// process with exit code 0.
#pragma once
#include "platform/Handles.h"

void CloseWithoutWork(InstanceHandle instance, WindowHandle window);
