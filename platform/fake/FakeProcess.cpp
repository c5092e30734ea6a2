// The process for tests: a chosen module path and directories, exit as an exception, and
// copies, mutexes and started processes recorded instead of made.
#include <cstring>

#include "platform/Process.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::string g_modulePath;
std::string g_tempDirectory;
std::string g_windowsDirectory;
bool g_failCopies = false;
bool g_failStarts = false;
u32 g_uniqueNumber = 0x1000;
int g_runExitCode = 0;

bool CopyOut(const std::string& value, char* buffer, u32 capacity) {
    if (value.empty() || value.size() >= capacity) return false;
    std::memcpy(buffer, value.c_str(), value.size() + 1);
    return true;
}
}  // namespace

namespace fake_state {
bool CopiesFail() { return g_failCopies; }
void ResetProcess() {
    g_modulePath.clear();
    g_tempDirectory.clear();
    g_windowsDirectory.clear();
    g_failCopies = g_failStarts = false;
    g_uniqueNumber = 0x1000;
    g_runExitCode = 0;
}
}  // namespace fake_state

namespace fake {
void Reset() {
    fake_state::JoinThreads();
    fake_state::ResetFiles();
    fake_state::ResetProcess();
    fake_state::ResetDialogs();
    fake_state::ResetWindow();
    fake_state::ResetControls();
    fake_state::ResetWizard();
    fake_state::ResetRegistry();
    fake_state::ResetShell();
    fake_state::ResetSystem();
}
void SetModulePath(const std::string& path) { g_modulePath = path; }
void SetTempDirectory(const std::string& path) { g_tempDirectory = path; }
void SetWindowsDirectory(const std::string& path) { g_windowsDirectory = path; }
void SetUniqueNumber(u32 first) { g_uniqueNumber = first; }
void FailCopies(bool fail) { g_failCopies = fail; }
void FailProcessStarts(bool fail) { g_failStarts = fail; }
void SetRunExitCode(int code) { g_runExitCode = code; }
}  // namespace fake

bool PlatformModulePath(char* buffer, u32 capacity) { return CopyOut(g_modulePath, buffer, capacity); }

void PlatformExitProcess(int code) { throw FakeProcessExit{code}; }

bool PlatformTempDirectory(char* buffer, u32 capacity) { return CopyOut(g_tempDirectory, buffer, capacity); }
bool PlatformWindowsDirectory(char* buffer, u32 capacity) { return CopyOut(g_windowsDirectory, buffer, capacity); }

u32 PlatformUniqueNumber() { return g_uniqueNumber++; }

void PlatformCreateOwnedMutex(const char* name) { fake_state::RecordCall(std::string("mutex owned ") + name); }
void PlatformWaitForMutex(const char* name) { fake_state::RecordCall(std::string("wait ") + name); }

int PlatformStartProcess(const char* commandLine, const char* workingDirectory, bool wait) {
    fake_state::RecordCall(std::string(wait ? "run " : "start ") + commandLine + " in " + workingDirectory);
    return g_failStarts ? -1 : wait ? g_runExitCode : 0;
}
