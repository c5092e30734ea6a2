// The window messages the BackgroundWindow acts on, with the system's values.
#pragma once
#include "state/RunMode.h"

enum : unsigned {
    WindowPaintMessage = 15,              // WM_PAINT
    WindowCloseMessage = 16,              // WM_CLOSE
    StartInstallationMessage = 1024 + 1,  // private: WM_USER + 1
    StartUninstallationMessage = 1024 + 2,
    StartFinalizationMessage = 1024 + 3,
};

// The one start message for a RunMode: anything but Uninstall and Finalize installs.
inline unsigned StartMessageFor(RunMode mode) {
    if (mode == RunMode::Finalize) return StartFinalizationMessage;
    if (mode == RunMode::Uninstall) return StartUninstallationMessage;
    return StartInstallationMessage;
}
