// The Finalizer: what FINALIZE.EXE does once after the restart an installation asked for.
// It puts every "name.NewTemp" file of its own directory in place of "name" (files that
// were in use during the installation), opens what the installation was to run afterwards,
// reports, and on success leaves its own file to be deleted at the next restart.
#pragma once
#include "platform/Handles.h"

// The handler of the start message in Finalize mode. Ends by posting WM_CLOSE to window,
// which owns its message box.
void RunFinalizer(InstanceHandle instance, WindowHandle window);
