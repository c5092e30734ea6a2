#include "install/ProgressControls.h"

#include "install/DialogIds.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Window.h"

namespace {
// The progress dialog's controls, looked up once: the worker changes them thousands of
// times, and each look-up of another thread's control costs a trip through the system.
struct Controls {
    WindowHandle dialog = nullptr;
    WindowHandle status = nullptr, total = nullptr, file = nullptr, cancel = nullptr;
    bool fileBarShown = false;
} g_controls;

WindowHandle Item(WindowHandle dialog, int id) {
    if (dialog != g_controls.dialog) return PlatformDialogItem(dialog, id);
    switch (id) {
        case PROGRESS_STATUS_TEXT: return g_controls.status;
        case PROGRESS_TOTAL_BAR: return g_controls.total;
        case PROGRESS_FILE_BAR: return g_controls.file;
        case PROGRESS_CANCEL: return g_controls.cancel;
        default: return PlatformDialogItem(dialog, id);
    }
}
}  // namespace

void BindProgressControls(WindowHandle dialog) {
    g_controls = Controls();
    if (!dialog) return;
    g_controls.dialog = dialog;
    g_controls.status = PlatformDialogItem(dialog, PROGRESS_STATUS_TEXT);
    g_controls.total = PlatformDialogItem(dialog, PROGRESS_TOTAL_BAR);
    g_controls.file = PlatformDialogItem(dialog, PROGRESS_FILE_BAR);
    g_controls.cancel = PlatformDialogItem(dialog, PROGRESS_CANCEL);
}

void SetStatusText(WindowHandle dialog, const char* text) { PlatformSetText(Item(dialog, PROGRESS_STATUS_TEXT), text); }

void ShowControl(WindowHandle dialog, int id, bool show) {
    WindowHandle control = Item(dialog, id);
    // The file bar is shown and hidden for every file: only a change costs a call.
    if (id == PROGRESS_FILE_BAR && dialog == g_controls.dialog) {
        if (g_controls.fileBarShown == show) return;
        g_controls.fileBarShown = show;
    }
    PlatformShowWindow(control, show);
}

// Bar messages carry no pointers, so they are posted: the worker does not wait for the
// dialog's thread to draw each step, and the queue keeps them in order.
void ResetBar(WindowHandle dialog, int id, u32 maximum) {
    WindowHandle bar = Item(dialog, id);
    PlatformPostMessageWith(bar, ProgressSetPosition, 0, 0);
    PlatformPostMessageWith(bar, ProgressSetRange, 0, static_cast<iptr>((maximum & 0xFFFF) << 16));
}

void StepProgress(WindowHandle dialog) {
    PlatformPostMessageWith(Item(dialog, PROGRESS_TOTAL_BAR), ProgressDeltaPosition, 1, 0);
    PlatformPostMessageWith(Item(dialog, PROGRESS_FILE_BAR), ProgressDeltaPosition, 1, 0);
}

int ReadPackageLine(u8* line) {
    int length = StubReader().ReadCountedBytes(line);
    line[length < 0 ? 0 : length] = 0;
    return length;
}
