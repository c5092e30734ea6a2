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

iptr PlatformSendMessage(WindowHandle window, unsigned message, uptr wParam, iptr lParam) {
    return SendMessageA(static_cast<HWND>(window), message, wParam, lParam);
}

void PlatformPostMessageWith(WindowHandle window, unsigned message, uptr wParam, iptr lParam) {
    PostMessageA(static_cast<HWND>(window), message, wParam, lParam);
}

void PlatformSetText(WindowHandle window, const char* text) { SetWindowTextA(static_cast<HWND>(window), text); }

u32 PlatformGetText(WindowHandle window, char* out, u32 capacity) {
    if (capacity == 0) return 0;
    out[0] = 0;
    int length = GetWindowTextA(static_cast<HWND>(window), out, static_cast<int>(capacity));
    return length > 0 ? static_cast<u32>(length) : 0;
}

void PlatformShowWindow(WindowHandle window, bool show) { ShowWindow(static_cast<HWND>(window), show ? SW_SHOW : SW_HIDE); }
void PlatformEnableWindow(WindowHandle window, bool enable) { EnableWindow(static_cast<HWND>(window), enable); }
void PlatformUpdateWindow(WindowHandle window) { UpdateWindow(static_cast<HWND>(window)); }
WindowHandle PlatformParent(WindowHandle window) { return GetParent(static_cast<HWND>(window)); }

WindowRect PlatformWindowRect(WindowHandle window) {
    RECT r = {};
    GetWindowRect(static_cast<HWND>(window), &r);
    return {r.left, r.top, r.right, r.bottom};
}

WindowRect PlatformClientRect(WindowHandle window) {
    RECT r = {};
    GetClientRect(static_cast<HWND>(window), &r);
    return {r.left, r.top, r.right, r.bottom};
}

void PlatformMoveWindow(WindowHandle window, int x, int y) {
    SetWindowPos(static_cast<HWND>(window), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}
