// Host process-level platform calls: module path, locator, message boxes, exit.
#include "shell/platform/host/HostPlatform.h"

#include <cstring>
#include <deque>

#include "shell/platform/Platform.h"
#include "shell/platform/host/HostState.h"

namespace {
std::string g_modulePath;
u32 g_locatorOffset = 0;
std::function<int(const ShownMessageBox&)> g_boxHandler;
std::deque<int> g_answers;
std::vector<ShownMessageBox> g_shown;
std::function<void(int)> g_exitHandler;
int g_failReads = 0;
}  // namespace

namespace host_state {
bool ConsumeReadFailure() {
    if (g_failReads <= 0) return false;
    --g_failReads;
    return true;
}
}  // namespace host_state

namespace host {
void ResetShell();
void SetModulePath(const std::string& path) { g_modulePath = path; }
void SetLocatorOffset(u32 offset) { g_locatorOffset = offset; }
void SetMessageBoxHandler(std::function<int(const ShownMessageBox&)> handler) { g_boxHandler = std::move(handler); }
void QueueAnswers(std::vector<int> answers) { g_answers.insert(g_answers.end(), answers.begin(), answers.end()); }
const std::vector<ShownMessageBox>& ShownBoxes() { return g_shown; }
void SetExitHandler(std::function<void(int)> handler) { g_exitHandler = std::move(handler); }
void FailNextReads(int count) { g_failReads = count; }
void Reset() {
    g_modulePath.clear();
    g_locatorOffset = 0;
    g_boxHandler = nullptr;
    g_answers.clear();
    g_shown.clear();
    g_exitHandler = nullptr;
    g_failReads = 0;
    ResetShell();
}
}  // namespace host

bool PlatformModulePath(char* buffer, u32 capacity) {
    if (g_modulePath.empty() || g_modulePath.size() >= capacity) return false;
    std::memcpy(buffer, g_modulePath.c_str(), g_modulePath.size() + 1);
    return true;
}

u32 PlatformLocatorOffset() { return g_locatorOffset; }

int PlatformMessageBox(WindowHandle owner, const char* text, const char* caption, unsigned style) {
    g_shown.push_back({owner, text, caption, style});
    if (g_boxHandler) return g_boxHandler(g_shown.back());
    if (g_answers.empty()) return IdCancel;
    int answer = g_answers.front();
    g_answers.pop_front();
    return answer;
}

void PlatformExitProcess(int code) {
    if (g_exitHandler) g_exitHandler(code);
    throw HostProcessExit{code};
}
