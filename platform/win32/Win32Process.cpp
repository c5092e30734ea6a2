// Process-level calls: the executable's path, exit, directories, and the Uninstaller's
// mutex and the start of its copy.
#include <windows.h>

#include "platform/Process.h"
#include "platform/win32/TestHooks.h"

namespace {
// A result of 0, or one that filled the buffer, means the text is missing or was cut.
bool Fits(DWORD length, u32 capacity) { return length != 0 && length < capacity; }
}  // namespace

bool PlatformModulePath(char* buffer, u32 capacity) {
    return Fits(GetModuleFileNameA(nullptr, buffer, capacity), capacity);
}

void PlatformExitProcess(int code) {
    TraceEvent("exit", static_cast<u32>(code));
    ExitProcess(static_cast<UINT>(code));
}

bool PlatformTempDirectory(char* buffer, u32 capacity) { return Fits(GetTempPathA(capacity, buffer), capacity); }

bool PlatformWindowsDirectory(char* buffer, u32 capacity) {
    return Fits(GetWindowsDirectoryA(buffer, capacity), capacity);
}

u32 PlatformUniqueNumber() {
    u32 number;
    if (TestFolderNumber(&number)) return number;
    // Two Uninstallers in the same millisecond get the same number; the second passes over
    // the first one's folder to the next name.
    return GetTickCount();
}

void PlatformCreateOwnedMutex(const char* name) { CreateMutexA(nullptr, TRUE, name); }

void PlatformWaitForMutex(const char* name) {
    HANDLE mutex = CreateMutexA(nullptr, FALSE, name);
    // WAIT_ABANDONED, the usual outcome when the first process simply ends, also goes on.
    if (mutex) WaitForSingleObject(mutex, INFINITE);
    TraceEvent("waited", 0);
}

int PlatformStartProcess(const char* commandLine, const char* workingDirectory, bool wait) {
    char line[PathCapacity + 16];  // CreateProcessA may write into the command line
    lstrcpynA(line, commandLine, sizeof line);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, workingDirectory,
                        &startup, &process))
        return -1;
    TraceEvent("started", 0);
    DWORD code = 0;
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    TestLinger();
    return static_cast<int>(code);
}
