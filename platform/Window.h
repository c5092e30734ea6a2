// The BackgroundWindow and the thread's message loop.
#pragma once
#include "platform/Handles.h"

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
