// Modal message boxes and dialogs made from the program's dialog templates.
#pragma once
#include "platform/Handles.h"

enum : unsigned {
    MbOk = 0x0,
    MbOkCancel = 0x1,
    MbYesNoCancel = 0x3,
    MbYesNo = 0x4,
    MbRetryCancel = 0x5,
    MbIconError = 0x10,
    MbIconQuestion = 0x20,
    MbIconWarning = 0x30,
    MbIconInformation = 0x40,
    MbDefaultButton2 = 0x100,
    MbSetForeground = 0x10000,
    MbTopmost = 0x40000,
};
enum : int { IdOk = 1, IdCancel = 2, IdRetry = 4, IdYes = 6, IdNo = 7 };

// A standard modal message box; returns the answer (IdOk, IdCancel, IdRetry ...). A null
// caption shows the system's default caption.
int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style);

// While an answerer is set, no message box is shown: each is answered by the answerer from
// its style alone (a run without a user). Null shows them again.
using MessageBoxAnswerer = int (*)(unsigned style);
void PlatformAnswerMessageBoxes(MessageBoxAnswerer answerer);

// What a dialog does with a message: true when it handled it. For WM_INITDIALOG the
// parameter is the one given to PlatformDialogBox.
using DialogHandler = bool (*)(WindowHandle dialog, unsigned message, uptr wParam, iptr lParam);

// Shows dialog template `templateId` modally, owned by owner, and returns the result it
// was ended with.
iptr PlatformDialogBox(InstanceHandle instance, int templateId, WindowHandle owner, DialogHandler handler,
                       iptr parameter);
// Ends a modal dialog with a result; any thread may call it.
void PlatformEndDialog(WindowHandle dialog, iptr result);
// A control of a dialog by its id.
WindowHandle PlatformDialogItem(WindowHandle dialog, int id);
// The answer a dialog (a wizard page, say) gives to the notification it is handling.
void PlatformSetDialogResult(WindowHandle dialog, iptr result);
