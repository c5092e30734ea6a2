// Message boxes and dialogs on Windows. A dialog's messages reach the program's handler
// through one procedure, which finds the handler in the dialog's own user slot.
#include <windows.h>

#include "platform/Dialogs.h"

namespace {
struct DialogStart {
    DialogHandler handler;
    iptr parameter;
};

INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        DialogStart* start = reinterpret_cast<DialogStart*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(start->handler));
        return start->handler(dialog, message, wParam, start->parameter);
    }
    // Messages that come before WM_INITDIALOG (the font, say) find no handler yet.
    DialogHandler handler = reinterpret_cast<DialogHandler>(GetWindowLongPtrA(dialog, DWLP_USER));
    return handler ? handler(dialog, message, wParam, lParam) : FALSE;
}
MessageBoxAnswerer g_answerer = nullptr;
}  // namespace

void PlatformAnswerMessageBoxes(MessageBoxAnswerer answerer) { g_answerer = answerer; }

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
    if (g_answerer) return g_answerer(style);
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

iptr PlatformDialogBox(InstanceHandle instance, int templateId, WindowHandle owner, DialogHandler handler,
                       iptr parameter) {
    DialogStart start = {handler, parameter};
    return DialogBoxParamA(static_cast<HINSTANCE>(instance), MAKEINTRESOURCEA(templateId), static_cast<HWND>(owner),
                           DialogProcedure, reinterpret_cast<LPARAM>(&start));
}

void PlatformEndDialog(WindowHandle dialog, iptr result) { EndDialog(static_cast<HWND>(dialog), result); }

WindowHandle PlatformDialogItem(WindowHandle dialog, int id) { return GetDlgItem(static_cast<HWND>(dialog), id); }

void PlatformSetDialogResult(WindowHandle dialog, iptr result) {
    SetWindowLongPtrA(static_cast<HWND>(dialog), DWLP_MSGRESULT, result);
}
