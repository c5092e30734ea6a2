// Windows and their messages: the BackgroundWindow with the thread's message loop, and the
// small set of calls the dialogs make on their windows and controls.
#pragma once
#include "platform/Handles.h"

// The system's message numbers the program uses.
enum : unsigned {
    MessagePaint = 0x000F,       // WM_PAINT
    MessageClose = 0x0010,       // WM_CLOSE
    MessageShowWindow = 0x0018,  // WM_SHOWWINDOW
    MessageNotify = 0x004E,      // WM_NOTIFY
    MessageInitDialog = 0x0110,  // WM_INITDIALOG
    MessageCommand = 0x0111,     // WM_COMMAND
    MessageUser = 0x0400,        // WM_USER: the first private message
};

// What the program does with a message of its window: true when it was handled (the window
// then answers 0), false for the system's default handling.
using WindowMessageHandler = bool (*)(WindowHandle window, unsigned message);

// Registers the window class and creates the full-screen popup window with that class and
// title, whose messages go to handler first; null when either fails.
WindowHandle PlatformCreateBackgroundWindow(InstanceHandle instance, const char* className, const char* title,
                                            WindowMessageHandler handler);
void PlatformInitCommonControls();
// Shows the window the default way, whatever the process was started with, and paints it.
void PlatformShowAndUpdate(WindowHandle window);
// Posts a message with both parameters 0.
void PlatformPostMessage(WindowHandle window, unsigned message);
// Runs the thread's message loop until getting a message fails; returns the wParam of the
// last message.
int PlatformRunMessageLoop();

// ---- Any window or control ----

// Sends a message and waits for its answer (a control on another thread's dialog answers
// on that thread).
iptr PlatformSendMessage(WindowHandle window, unsigned message, uptr wParam, iptr lParam);
void PlatformPostMessageWith(WindowHandle window, unsigned message, uptr wParam, iptr lParam);
void PlatformSetText(WindowHandle window, const char* text);
// Copies the window's text into out (capacity bytes, cut to fit); returns its length.
u32 PlatformGetText(WindowHandle window, char* out, u32 capacity);
void PlatformShowWindow(WindowHandle window, bool show);
void PlatformEnableWindow(WindowHandle window, bool enable);
// Repaints what needs it at once.
void PlatformUpdateWindow(WindowHandle window);
// The parent (or owner) of a window; null for none.
WindowHandle PlatformParent(WindowHandle window);

struct WindowRect {
    int left, top, right, bottom;
};
WindowRect PlatformWindowRect(WindowHandle window);  // in screen coordinates
WindowRect PlatformClientRect(WindowHandle window);  // from (0, 0)
// Moves a window without changing its size or its place in the stacking order.
void PlatformMoveWindow(WindowHandle window, int x, int y);
