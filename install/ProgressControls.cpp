#include "install/ProgressControls.h"

#include <cstring>

#include "install/DialogIds.h"
#include "platform/Dialogs.h"
#include "platform/System.h"
#include "platform/Window.h"

namespace {
const u32 UpdateInterval = 200;  // milliseconds between two updates of the dialog

// What the dialog shows and what the worker has reached, for the bound dialog.
struct ProgressView {
    WindowHandle dialog = nullptr;
    WindowHandle status = nullptr, total = nullptr, file = nullptr;
    u32 totalShown = 0, totalReached = 0;
    u32 fileRangeShown = 0, fileRange = 0;
    u32 filePositionShown = 0, filePosition = 0;
    bool fileBarShown = false, fileBarWanted = false;
    bool statusPending = false;
    char statusText[PathCapacity] = {};
    u32 lastUpdate = 0;
} g_view;

// Only the worker changes the dialog, always through the view it bound.
bool Bound(WindowHandle dialog) { return dialog && dialog == g_view.dialog; }

void Post(WindowHandle control, unsigned message, uptr wParam, iptr lParam) {
    // Bar messages carry no pointers: posted, the worker does not wait for each redraw.
    PlatformPostMessageWith(control, message, wParam, lParam);
}

iptr RangeParameter(u32 maximum) { return static_cast<iptr>((maximum & 0xFFFF) << 16); }

void MaybeFlush(WindowHandle dialog) {
    if (PlatformTickCount() - g_view.lastUpdate >= UpdateInterval) FlushProgress(dialog);
}
}  // namespace

void BindProgressControls(WindowHandle dialog) {
    g_view = ProgressView();
    if (!dialog) return;
    g_view.dialog = dialog;
    g_view.status = PlatformDialogItem(dialog, PROGRESS_STATUS_TEXT);
    g_view.total = PlatformDialogItem(dialog, PROGRESS_TOTAL_BAR);
    g_view.file = PlatformDialogItem(dialog, PROGRESS_FILE_BAR);
    g_view.lastUpdate = PlatformTickCount();
}

void FlushProgress(WindowHandle dialog) {
    if (!Bound(dialog)) return;
    ProgressView& v = g_view;
    if (v.statusPending) PlatformSetText(v.status, v.statusText);
    v.statusPending = false;
    if (v.totalReached != v.totalShown) Post(v.total, ProgressDeltaPosition, v.totalReached - v.totalShown, 0);
    v.totalShown = v.totalReached;
    if (v.fileRange != v.fileRangeShown) Post(v.file, ProgressSetRange, 0, RangeParameter(v.fileRange));
    if (v.fileRange != v.fileRangeShown || v.filePosition != v.filePositionShown)
        Post(v.file, ProgressSetPosition, v.filePosition, 0);
    v.fileRangeShown = v.fileRange;
    v.filePositionShown = v.filePosition;
    if (v.fileBarWanted != v.fileBarShown) PlatformShowWindow(v.file, v.fileBarWanted);
    v.fileBarShown = v.fileBarWanted;
    v.lastUpdate = PlatformTickCount();
}

void SetStatusText(WindowHandle dialog, const char* text) {
    if (!Bound(dialog)) return;
    FlushProgress(dialog);
    PlatformSetText(g_view.status, text);
}

void SetFileStatus(WindowHandle dialog, const char* text) {
    if (!Bound(dialog)) return;
    std::strncpy(g_view.statusText, text, sizeof g_view.statusText - 1);
    g_view.statusPending = true;
    MaybeFlush(dialog);
}

void ShowControl(WindowHandle dialog, int id, bool show) {
    if (!Bound(dialog)) return;
    if (id == PROGRESS_FILE_BAR) {
        g_view.fileBarWanted = show;
        return;
    }
    FlushProgress(dialog);
    PlatformShowWindow(PlatformDialogItem(dialog, id), show);
}

void ResetBar(WindowHandle dialog, int id, u32 maximum) {
    if (!Bound(dialog)) return;
    if (id == PROGRESS_FILE_BAR) {
        g_view.fileRange = maximum & 0xFFFF;
        g_view.filePosition = 0;
        // A range of 0 never differs from the start: mark it as not shown.
        g_view.fileRangeShown = ~0u;
        return;
    }
    FlushProgress(dialog);
    WindowHandle bar = PlatformDialogItem(dialog, id);
    Post(bar, ProgressSetPosition, 0, 0);
    Post(bar, ProgressSetRange, 0, RangeParameter(maximum));
}

void StepProgress(WindowHandle dialog) {
    if (!Bound(dialog)) return;
    ++g_view.totalReached;
    ++g_view.filePosition;
    MaybeFlush(dialog);
}
