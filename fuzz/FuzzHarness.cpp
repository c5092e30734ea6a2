#include "FuzzHarness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <new>
#include <string>
#include <unordered_set>

#include "package/PackageReader.h"
#include "shell/platform/host/HostPlatform.h"
#include "state/SetupState.h"

namespace {
// Anonymous in-memory files, one per use, kept for the whole run; a /proc path opens them
// like any file, and it has no "." in its name, so a next volume's name cannot exist.
int MemoryFile() {
    int fd = memfd_create("packwright-fuzz", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    return fd;
}

int ExecutableFile() {
    static int fd = MemoryFile();
    return fd;
}

std::string PathOf(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Arrays allocated by the code under test (it uses new[] only) since StartProcessOver
// and not yet freed.
bool g_tracking = false;
std::unordered_set<void*>& LiveArrays() {
    static auto* live = new std::unordered_set<void*>;
    return *live;
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
    g_tracking = true;

    int fd = ExecutableFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    const u8 stubAndSize[5] = {'M', 0, 0, 0, 0};  // Stub of one byte, ExpectedSize 0
    WriteAll(fd, stubAndSize, sizeof stubAndSize, 0);
    WriteAll(fd, stream, size, sizeof stubAndSize);

    host::SetModulePath(PathOf(fd));
    host::SetLocatorOffset(1);
}

std::string WriteInstaller(const u8* stream, std::size_t size) {
    static int fd = MemoryFile();
    constexpr u32 Offset = 32;
    u8 stub[Offset + 4] = {'M', 'Z'};
    const char marker[] = "WHERETOSTARTSTRING:";
    for (int i = 0; i < 19; ++i) stub[4 + i] = static_cast<u8>(marker[i]);
    StoreU32(stub + 4 + 19, Offset);  // ExpectedSize (the last four bytes) stays 0
    g_tracking = true;
    if (ftruncate(fd, 0) != 0) std::abort();
    WriteAll(fd, stub, sizeof stub, 0);
    WriteAll(fd, stream, size, sizeof stub);
    return PathOf(fd);
}

void EndProcess(bool exited) {
    ResetSetupState();
    if (exited)
        for (void* p : LiveArrays()) std::free(p);
    LiveArrays().clear();
    g_tracking = false;
}

void* operator new[](std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    if (g_tracking) LiveArrays().insert(p);
    return p;
}

void operator delete[](void* p) noexcept {
    if (!p) return;
    LiveArrays().erase(p);
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept { operator delete[](p); }
