// What the driver's commands share: finding the setup's windows, reading and setting their
// texts, waiting with a deadline, and its output lines.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace driver {

const int NextId = 0x3024;
const int BackId = 0x3023;
const int FinishId = 0x3025;
const int MessageTextId = 0xFFFF;
const UINT PsmPressButton = WM_USER + 113;
const WPARAM PressBack = 0, PressNext = 1, PressFinish = 2;
const UINT PsmGetCurrentPageHwnd = WM_USER + 118;

std::string WindowText(HWND window);
std::string ClassName(HWND window);
std::vector<HWND> TopLevelWindows();  // the visible ones
bool IsWizard(HWND window);
HWND FindWizard();
HWND CurrentPage(HWND wizard);
// A wizard button that is shown and enabled, or null.
HWND UsableButton(HWND wizard, int id);
void SetText(HWND control, const std::string& text);
// Waits until every visible top-level window has painted (and, for a wizard, its page is
// shown), so that a screenshot holds what a user would see.
void WaitUntilPainted(HWND window, DWORD milliseconds);

// "key: value", line breaks in the value written as \n.
void Print(const char* key, const std::string& value);
// Ends the driver: 2 for a time-out or a failed step, 3 for a bad command line, 4 for a
// question nobody gave an answer to.
[[noreturn]] void Fail(int code, const std::string& message);

// Polls until found() gives a window or the time runs out; the failure names `what`.
template <typename Find>
HWND WaitFor(DWORD milliseconds, const std::string& what, Find found) {
    DWORD start = GetTickCount();
    for (;;) {
        if (HWND window = found()) return window;
        if (GetTickCount() - start >= milliseconds) Fail(2, "timed out after " + std::to_string(milliseconds / 1000) + " s waiting for " + what);
        Sleep(50);
    }
}

}  // namespace driver
