// The BackgroundWindow, the message loop and painting for tests: nothing is shown; every call is
// recorded so tests can check what the Stub would have asked of the system.
#include "platform/Paint.h"
#include "platform/Window.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
bool g_failWindow = false;
int g_loopResult = 0;
std::vector<std::string> g_calls;
WindowMessageHandler g_handler = nullptr;
int g_clientWidth = 0;
int g_clientHeight = 0;
std::vector<fake::DrawCall> g_draws;
int g_windowToken = 0;  // the fake's windows and device contexts are just distinct pointers
int g_fontToken = 0;

void Draw(fake::DrawCall::Kind kind, int left, int top, int right, int bottom, u32 value, std::string text = {}) {
    g_draws.push_back({kind, left, top, right, bottom, value, std::move(text)});
}
}  // namespace

namespace fake_state {
void ResetWindow() {
    g_failWindow = false;
    g_loopResult = 0;
    g_calls.clear();
    g_handler = nullptr;
    g_clientWidth = g_clientHeight = 0;
    g_draws.clear();
}
void RecordCall(const std::string& call) { g_calls.push_back(call); }
WindowRect BackgroundClientRect() { return {0, 0, g_clientWidth, g_clientHeight}; }
}  // namespace fake_state

namespace fake {
void FailWindowCreation(bool fail) { g_failWindow = fail; }
const std::vector<std::string>& StartUpCalls() { return g_calls; }
bool DeliverToWindow(unsigned message) { return g_handler && g_handler(&g_windowToken, message); }
void SetMessageLoopResult(int code) { g_loopResult = code; }
void SetClientSize(int width, int height) {
    g_clientWidth = width;
    g_clientHeight = height;
}
const std::vector<DrawCall>& DrawCalls() { return g_draws; }
}  // namespace fake

WindowHandle PlatformCreateBackgroundWindow(InstanceHandle, const char* className, const char* title,
                                            WindowMessageHandler handler) {
    g_calls.push_back(std::string("window ") + className + " " + title);
    if (g_failWindow) return nullptr;
    g_handler = handler;
    return &g_windowToken;
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
    Draw(fake::DrawCall::Fill, left, top, right, bottom, colour);
}

void* PlatformSelectBannerFont(DeviceContext, int height) {
    Draw(fake::DrawCall::Font, 0, 0, 0, 0, static_cast<u32>(height));
    return &g_fontToken;
}

void PlatformRestoreFont(DeviceContext, void* previous) {
    Draw(fake::DrawCall::RestoreFont, 0, 0, 0, 0, previous == &g_fontToken ? 1 : 0);
}

void PlatformSetTransparentText(DeviceContext) { Draw(fake::DrawCall::Transparent, 0, 0, 0, 0, 0); }
void PlatformSetTextAlignment(DeviceContext, unsigned alignment) { Draw(fake::DrawCall::Align, 0, 0, 0, 0, alignment); }

void PlatformTextOut(DeviceContext, int x, int y, const char* text, u32 length, u32 colour) {
    Draw(fake::DrawCall::Text, x, y, 0, 0, colour, std::string(text, length));
}
