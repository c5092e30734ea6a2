// A stand-in until the worker is built: it installs nothing.
#include "install/ProgressDialog.h"

#include "state/SetupState.h"

bool RunProgressDialog(InstanceHandle, WindowHandle) { return !g_setup.Cancelled; }
