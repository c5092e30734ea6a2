// Host start-up, window and painting calls: nothing is shown; every call is recorded so
// tests can check what the Stub would have asked of the system.
#include <cstring>

#include "shell/platform/Platform.h"
#include "shell/platform/host/HostPlatform.h"

namespace {
std::string g_tempDirectory;
std::string g_windowsDirectory;
bool g_failCopies = false;
bool g_failStarts = false;
bool g_failWindow = false;
int g_loopResult = 0;
std::vector<std::string> g_calls;
int g_clientWidth = 0;
int g_clientHeight = 0;
std::vector<host::DrawCall> g_draws;
int g_windowToken = 0;  // the host's windows and device contexts are just distinct pointers
int g_fontToken = 0;

bool CopyOut(const std::string& value, char* buffer, u32 capacity) {
    if (value.empty() || value.size() >= capacity) return false;
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return true;
}

void Draw(host::DrawCall::Kind kind, int left, int top, int right, int bottom, u32 value, std::string text = {}) {
    g_draws.push_back({kind, left, top, right, bottom, value, std::move(text)});
}
}  // namespace

namespace host {
void ResetShell() {
    g_tempDirectory.clear();
    g_windowsDirectory.clear();
    g_failCopies = g_failStarts = g_failWindow = false;
    g_loopResult = 0;
    g_calls.clear();
    g_clientWidth = g_clientHeight = 0;
    g_draws.clear();
}
void SetTempDirectory(const std::string& path) { g_tempDirectory = path; }
void SetWindowsDirectory(const std::string& path) { g_windowsDirectory = path; }
void FailCopies(bool fail) { g_failCopies = fail; }
void FailProcessStarts(bool fail) { g_failStarts = fail; }
void FailWindowCreation(bool fail) { g_failWindow = fail; }
const std::vector<std::string>& StartUpCalls() { return g_calls; }
void SetMessageLoopResult(int code) { g_loopResult = code; }
void SetClientSize(int width, int height) {
    g_clientWidth = width;
    g_clientHeight = height;
}
const std::vector<DrawCall>& DrawCalls() { return g_draws; }
}  // namespace host

bool PlatformTempDirectory(char* buffer, u32 capacity) { return CopyOut(g_tempDirectory, buffer, capacity); }
bool PlatformWindowsDirectory(char* buffer, u32 capacity) { return CopyOut(g_windowsDirectory, buffer, capacity); }

bool PlatformCopyFile(const char* from, const char* to) {
    g_calls.push_back(std::string("copy ") + from + " -> " + to);
    return !g_failCopies && std::strcmp(from, to) != 0;
}

void PlatformCreateOwnedMutex(const char* name) { g_calls.push_back(std::string("mutex owned ") + name); }
void PlatformWaitForMutex(const char* name) { g_calls.push_back(std::string("wait ") + name); }

bool PlatformStartProcess(const char* commandLine, const char* workingDirectory) {
    g_calls.push_back(std::string("start ") + commandLine + " in " + workingDirectory);
    return !g_failStarts;
}

WindowHandle PlatformCreateBackgroundWindow(InstanceHandle, const char* className, const char* title) {
    g_calls.push_back(std::string("window ") + className + " " + title);
    return g_failWindow ? nullptr : &g_windowToken;
}

void PlatformInitCommonControls() { g_calls.push_back("common controls"); }
void PlatformShowAndUpdate(WindowHandle) { g_calls.push_back("show"); }
void PlatformPostMessage(WindowHandle, unsigned message) { g_calls.push_back("post " + std::to_string(message)); }

int PlatformRunMessageLoop() {
    g_calls.push_back("loop");
    return g_loopResult;
}

DeviceContext PlatformBeginPaint(WindowHandle window) { return window; }
void PlatformEndPaint(WindowHandle, DeviceContext) {}

void PlatformClientSize(WindowHandle, int* width, int* height) {
    *width = g_clientWidth;
    *height = g_clientHeight;
}

void PlatformFillSolid(DeviceContext, int left, int top, int right, int bottom, u32 colour) {
    Draw(host::DrawCall::Fill, left, top, right, bottom, colour);
}

void* PlatformSelectBannerFont(DeviceContext, int height) {
    Draw(host::DrawCall::Font, 0, 0, 0, 0, static_cast<u32>(height));
    return &g_fontToken;
}

void PlatformRestoreFont(DeviceContext, void* previous) {
    Draw(host::DrawCall::RestoreFont, 0, 0, 0, 0, previous == &g_fontToken ? 1 : 0);
}

void PlatformSetTransparentText(DeviceContext) { Draw(host::DrawCall::Transparent, 0, 0, 0, 0, 0); }
void PlatformSetTextAlignment(DeviceContext, unsigned alignment) { Draw(host::DrawCall::Align, 0, 0, 0, 0, alignment); }

void PlatformTextOut(DeviceContext, int x, int y, const char* text, u32 length, u32 colour) {
    Draw(host::DrawCall::Text, x, y, 0, 0, colour, std::string(text, length));
}
