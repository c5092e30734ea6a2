// Modal message boxes, with the system's values for their styles and answers.
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
