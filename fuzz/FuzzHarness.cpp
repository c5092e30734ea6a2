#include "FuzzHarness.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "package/Locator.h"

namespace {
// Anonymous in-memory files, kept for the whole run; a /proc path opens them like any file.
int MemoryFile() {
    int fd = memfd_create("packwright-fuzz", MFD_CLOEXEC);
    if (fd < 0) std::abort();
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

const char ExecutableName[] = "SETUP";  // no ".": a next volume's name cannot exist
}  // namespace

MemoryVolumes::MemoryVolumes(const u8* stream, std::size_t size) : bytes_(5 + size) {
    bytes_[0] = 'M';  // the Stub; ExpectedSize (the next four bytes) stays 0
    if (size) std::memcpy(bytes_.data() + 5, stream, size);
}

bool MemoryVolumes::ExecutablePath(char* out, u32 capacity) {
    if (sizeof ExecutableName > capacity) return false;
    std::memcpy(out, ExecutableName, sizeof ExecutableName);
    return true;
}

bool MemoryVolumes::Open(const char* path) {
    open_ = std::strcmp(path, ExecutableName) == 0;
    position_ = 0;
    return open_;
}

bool MemoryVolumes::Read(void* buffer, u32 count, u32* got) {
    std::size_t left = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    *got = static_cast<u32>(std::min<std::size_t>(count, left));
    std::memcpy(buffer, bytes_.data() + position_, *got);
    position_ += *got;
    return true;
}

std::string WriteInstaller(const u8* stream, std::size_t size) {
    static int fd = MemoryFile();
    constexpr u32 Offset = 32;
    u8 stub[Offset + 4] = {'M', 'Z'};
    const char marker[LocatorMarkerLength] = PACKWRIGHT_LOCATOR_MARKER;
    std::memcpy(stub + 4, marker, LocatorMarkerLength);
    StoreU32(stub + 4 + LocatorMarkerLength, Offset);  // ExpectedSize (the last four bytes) stays 0
    if (ftruncate(fd, 0) != 0) std::abort();
    WriteAll(fd, stub, sizeof stub, 0);
    WriteAll(fd, stream, size, sizeof stub);
    return "/proc/self/fd/" + std::to_string(fd);
}
