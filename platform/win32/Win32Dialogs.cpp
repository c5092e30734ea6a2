// Message boxes on Windows.
#include <windows.h>

#include "platform/Dialogs.h"

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}
