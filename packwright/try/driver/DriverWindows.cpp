#include "DriverWindows.h"

#include <cstdio>
#include <cstdlib>

namespace driver {
namespace {
std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c != '\r') out += c;
    }
    return out;
}

BOOL CALLBACK CollectVisible(HWND window, LPARAM list) {
    if (IsWindowVisible(window)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}
}  // namespace

std::string WindowText(HWND window) {
    char text[4096] = "";
    DWORD_PTR length = 0;
    // A hung target must not block the driver.
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &length))
        return "";
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectVisible, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

// A wizard-mode sheet's title is its page's, so it is found by its Next button.
bool IsWizard(HWND window) { return ClassName(window) == "#32770" && GetDlgItem(window, NextId) != nullptr; }

HWND FindWizard() {
    for (HWND window : TopLevelWindows())
        if (IsWizard(window)) return window;
    return nullptr;
}

HWND CurrentPage(HWND wizard) {
    DWORD_PTR page = 0;
    SendMessageTimeoutA(wizard, PsmGetCurrentPageHwnd, 0, 0, SMTO_ABORTIFHUNG, 2000, &page);
    return reinterpret_cast<HWND>(page);
}

HWND UsableButton(HWND wizard, int id) {
    HWND control = GetDlgItem(wizard, id);
    return control && IsWindowVisible(control) && IsWindowEnabled(control) ? control : nullptr;
}

void SetText(HWND control, const std::string& text) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 2000, &result);
}

void Print(const char* key, const std::string& value) {
    std::printf("%s: %s\n", key, Escaped(value).c_str());
    std::fflush(stdout);
}

void Fail(int code, const std::string& message) {
    std::fprintf(stderr, "driver: %s\n", message.c_str());
    std::fflush(stdout);
    std::fflush(stderr);
    std::exit(code);
}

namespace {
BOOL CALLBACK CollectChild(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

// True when no visible window of the tree has anything left to paint, and the thread that
// owns it answers, so it is not in the middle of painting.
bool HasPainted(HWND top) {
    std::vector<HWND> tree = {top};
    EnumChildWindows(top, CollectChild, reinterpret_cast<LPARAM>(&tree));
    for (HWND window : tree)
        if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(top, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}
}  // namespace

// A window can be up, its texts set, and still not drawn: the first run of a fresh prefix
// is slow to paint. So every visible top-level window is invalidated and polled until all
// have painted twice in a row; then a moment for the drawing to reach the X server, which
// happens once the owning thread is idle again.
void WaitUntilPainted(HWND window, DWORD milliseconds) {
    if (window && IsWizard(window))
        WaitFor(milliseconds, "the wizard's page to show", [&]() -> HWND {
            HWND page = CurrentPage(window);
            return page && IsWindowVisible(page) ? page : nullptr;
        });
    std::vector<HWND> windows = TopLevelWindows();
    for (HWND top : windows) RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    int settled = 0;
    WaitFor(milliseconds, "the windows to paint", [&]() -> HWND {
        bool painted = true;
        for (HWND top : windows) painted = painted && (!IsWindow(top) || HasPainted(top));
        settled = painted ? settled + 1 : 0;
        return settled >= 2 ? GetDesktopWindow() : nullptr;
    });
    Sleep(300);
}

}  // namespace driver
