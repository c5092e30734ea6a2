#include "install/ProgressControls.h"

#include "install/DialogIds.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Window.h"

void SetStatusText(WindowHandle dialog, const char* text) {
    PlatformSetText(PlatformDialogItem(dialog, PROGRESS_STATUS_TEXT), text);
}

void ShowControl(WindowHandle dialog, int id, bool show) { PlatformShowWindow(PlatformDialogItem(dialog, id), show); }

void ResetBar(WindowHandle dialog, int id, u32 maximum) {
    WindowHandle bar = PlatformDialogItem(dialog, id);
    PlatformSendMessage(bar, ProgressSetPosition, 0, 0);
    PlatformSendMessage(bar, ProgressSetRange, 0, static_cast<iptr>((maximum & 0xFFFF) << 16));
}

void StepProgress(WindowHandle dialog) {
    PlatformSendMessage(PlatformDialogItem(dialog, PROGRESS_TOTAL_BAR), ProgressDeltaPosition, 1, 0);
    PlatformSendMessage(PlatformDialogItem(dialog, PROGRESS_FILE_BAR), ProgressDeltaPosition, 1, 0);
}

int ReadPackageLine(u8* line) {
    int length = StubReader().ReadCountedBytes(line);
    line[length < 0 ? 0 : length] = 0;
    return length;
}
