// The window messages the BackgroundWindow acts on, with the system's values.
#pragma once

enum : unsigned {
    WindowPaintMessage = 15,              // WM_PAINT
    WindowCloseMessage = 16,              // WM_CLOSE
    StartInstallationMessage = 1024 + 1,  // private: WM_USER + 1
    StartUninstallationMessage = 1024 + 2,
    StartFinalizationMessage = 1024 + 3,
};

// The one start message for a RunMode: anything but 1 and 2 installs.
inline unsigned StartMessageFor(int runMode) {
    if (runMode == 2) return StartFinalizationMessage;
    if (runMode == 1) return StartUninstallationMessage;
    return StartInstallationMessage;
}
