#ifdef PACKWRIGHT_TEST_BUILD
#include "platform/win32/TestHooks.h"

#include <windows.h>

#include "state/Text.h"

namespace {
bool Variable(const char* name, char* value, DWORD capacity) {
    DWORD length = GetEnvironmentVariableA(name, value, capacity);
    return length > 0 && length < capacity;
}

void AppendNumber(char* line, u32 value) {
    char digits[12];
    FormatUnsigned(digits, value, 1);
    lstrcatA(line, digits);
}
}  // namespace

void TraceText(const char* event, const char* text) {
    char path[MAX_PATH];
    if (!Variable("PACKWRIGHT_TEST_TRACE", path, sizeof path)) return;
    char line[700] = "";
    AppendNumber(line, GetCurrentProcessId());
    lstrcatA(line, " ");
    AppendNumber(line, GetTickCount());
    lstrcatA(line, " ");
    lstrcatA(line, event);
    lstrcatA(line, " ");
    lstrcpynA(line + lstrlenA(line), text, 512);
    lstrcatA(line, "\r\n");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, line, lstrlenA(line), &written, nullptr);
    CloseHandle(file);
}

void TraceEvent(const char* event, u32 value) {
    char digits[12];
    FormatUnsigned(digits, value, 1);
    TraceText(event, digits);
}

void TraceMessage(unsigned message) {
    if (message == WM_CLOSE || (message >= WM_USER + 1 && message <= WM_USER + 3)) TraceEvent("message", message);
}

bool TestHardeningDisabled() {
    char value[8];
    return Variable("PACKWRIGHT_TEST_UNHARDENED", value, sizeof value) && value[0] == '1';
}

bool TestHoldStart(unsigned message) {
    char value[8];
    return message >= WM_USER + 1 && message <= WM_USER + 3 && Variable("PACKWRIGHT_TEST_HOLD", value, sizeof value) &&
           value[0] == '1';
}

bool TestInstallWithDefaults() {
    char value[8];
    return Variable("PACKWRIGHT_TEST_INSTALL", value, sizeof value) && value[0] == '1';
}

bool TestDecodeOnly() {
    char value[8];
    return Variable("PACKWRIGHT_TEST_INSTALL", value, sizeof value) && lstrcmpA(value, "decode") == 0;
}

bool TestFolderNumber(u32* number) {
    char value[16];
    if (!Variable("PACKWRIGHT_TEST_FOLDER_NUMBER", value, sizeof value)) return false;
    *number = 0;
    for (const char* p = value; *p >= '0' && *p <= '9'; ++p) *number = *number * 10 + static_cast<u32>(*p - '0');
    return true;
}

void TestLinger() {
    char value[16];
    if (!Variable("PACKWRIGHT_TEST_LINGER_MS", value, sizeof value)) return;
    DWORD ms = 0;
    for (const char* p = value; *p >= '0' && *p <= '9'; ++p) ms = ms * 10 + static_cast<DWORD>(*p - '0');
    Sleep(ms);
}
#endif
