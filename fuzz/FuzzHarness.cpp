#include "FuzzHarness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "package/PackageReader.h"
#include "shell/platform/host/HostPlatform.h"
#include "state/SetupState.h"

namespace {
// One anonymous in-memory file for the whole run; its /proc path opens like any file, and
// it has no "." in its name, so the next volume's name cannot exist.
int ExecutableFile() {
    static int fd = -1;
    if (fd < 0) {
        fd = memfd_create("packwright-fuzz", MFD_CLOEXEC);
        if (fd < 0) std::abort();
    }
    return fd;
}

void WriteAll(int fd, const u8* bytes, std::size_t size, off_t at) {
    while (size) {
        ssize_t n = pwrite(fd, bytes, size, at);
        if (n <= 0) std::abort();
        bytes += n;
        size -= static_cast<std::size_t>(n);
        at += n;
    }
}
}  // namespace

void StartProcessOver(const u8* stream, std::size_t size) {
    ResetPackageReader();
    ResetSetupState();
    host::Reset();

    int fd = ExecutableFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    const u8 stubAndSize[5] = {'M', 0, 0, 0, 0};  // Stub of one byte, ExpectedSize 0
    WriteAll(fd, stubAndSize, sizeof stubAndSize, 0);
    WriteAll(fd, stream, size, sizeof stubAndSize);

    host::SetModulePath("/proc/self/fd/" + std::to_string(fd));
    host::SetLocatorOffset(1);
}
