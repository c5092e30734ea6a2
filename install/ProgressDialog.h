// The installation itself, behind the progress dialog: the worker thread writes the
// companion programs, the files, the shortcuts and the registry entries, and reads the
// run-after command; the dialog shows its progress and lets the user cancel.
#pragma once
#include "platform/Handles.h"

// Shows the progress dialog modally, owned by owner, while the worker installs; closes the
// install log once the dialog has ended. False when the installation was cancelled. The
// outcome is in SetupState: InstallOk, Corrupted, RebootNeeded, FinalizeNeeded.
bool RunProgressDialog(InstanceHandle instance, WindowHandle owner);

// The same installation on the calling thread, with nothing shown (a very silent run).
bool RunWithoutDialog();

// The dialog's procedure: starts the worker once the dialog is up; Cancel only sets
// Cancelled, which the worker confirms with the user.
bool ProgressDialogProc(WindowHandle dialog, unsigned message, uptr wParam, iptr lParam);
