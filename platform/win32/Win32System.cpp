// The system on Windows: its family, disks, restart and processors.
#include <windows.h>

#include "platform/System.h"

bool PlatformIsNt() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

bool PlatformDiskGeometry(const char* root, u32* sectorsPerCluster, u32* bytesPerSector) {
    DWORD sectors = 0, bytes = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &totalClusters)) return false;
    *sectorsPerCluster = sectors;
    *bytesPerSector = bytes;
    return true;
}

void PlatformRestartSystem() { ExitWindowsEx(EWX_REBOOT, 0); }

u32 PlatformProcessorCount() {
    // The processors this process may run on, so that an affinity mask is respected.
    DWORD_PTR process = 0, system = 0;
    u32 count = 0;
    if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system))
        for (; process; process &= process - 1) ++count;
    return count ? count : 1;
}

u32 PlatformTickCount() { return GetTickCount(); }
