// The BackgroundWindow's class, creation and message loop. The window procedure hands
// every message to the program's handler first.
#include <windows.h>

#include "platform/Window.h"
#include "platform/win32/DllLoading.h"
#include "platform/win32/TestHooks.h"

namespace {
// One BackgroundWindow per process, made on the main thread.
WindowMessageHandler g_handler = nullptr;

LRESULT CALLBACK BackgroundWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TraceMessage(message);
    if (TestHoldStart(message)) return 0;
    if (g_handler && g_handler(window, message)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

WindowHandle PlatformCreateBackgroundWindow(InstanceHandle instance, const char* className, const char* title,
                                            WindowMessageHandler handler) {
    g_handler = handler;
    HINSTANCE module = static_cast<HINSTANCE>(instance);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = BackgroundWindowProcedure;
    windowClass.hInstance = module;
    windowClass.hIcon = LoadIconA(module, MAKEINTRESOURCEA(1));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = className;
    if (!RegisterClassA(&windowClass)) return nullptr;
    HWND window = CreateWindowExA(0, className, title, WS_POPUP | WS_VISIBLE, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                  GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr, module, nullptr);
    if (window) TraceEvent("window", 0);
    return window;
}

void PlatformInitCommonControls() { InitCommonControlsFromSystem(); }

void PlatformShowAndUpdate(WindowHandle window) {
    ShowWindow(static_cast<HWND>(window), SW_SHOWDEFAULT);
    UpdateWindow(static_cast<HWND>(window));
}

void PlatformPostMessage(WindowHandle window, unsigned message) {
    PostMessageA(static_cast<HWND>(window), message, 0, 0);
}

int PlatformRunMessageLoop() {
    MSG message = {};
    // GetMessageA gives -1 on an error and 0 for WM_QUIT, which nothing here posts.
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
