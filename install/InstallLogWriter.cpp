#include "install/InstallLogWriter.h"

#include <cstring>

#include "platform/Files.h"
#include "state/SetupState.h"

int LogBytes(const void* bytes, u32 count) {
    if (!g_setup.InstallLogHandle) return -1;
    u32 written = 0;
    if (!PlatformWrite(g_setup.InstallLogHandle, bytes, count, &written) || written != count) return -1;
    return static_cast<int>(written);
}

int LogCountedString(const char* text) {
    u8 record[256];
    std::size_t length = std::strlen(text);
    record[0] = static_cast<u8>(length > 255 ? 255 : length);
    std::memcpy(record + 1, text, record[0]);
    return LogBytes(record, record[0] + 1u);
}

void CloseInstallLog() {
    if (g_setup.InstallLogHandle) PlatformClose(g_setup.InstallLogHandle);
    g_setup.InstallLogHandle = nullptr;
}
