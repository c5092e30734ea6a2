// Host files: POSIX descriptors behind the platform's file handles.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "shell/platform/Platform.h"
#include "shell/platform/host/HostState.h"

namespace {
int ToFd(FileHandle file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file)) - 1; }
FileHandle ToHandle(int fd) { return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(fd) + 1); }
}  // namespace

FileHandle PlatformOpenForRead(const char* path) {
    int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // a folder is not a volume
        ::close(fd);
        return nullptr;
    }
    return ToHandle(fd);
}

bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got) {
    *got = 0;
    if (host_state::ConsumeReadFailure()) return false;
    u8* out = static_cast<u8*>(buffer);
    while (*got < count) {
        ssize_t n = ::read(ToFd(file), out + *got, count - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *got += static_cast<u32>(n);
    }
    return true;
}

u32 PlatformFileSize(FileHandle file) {
    struct stat st;
    if (::fstat(ToFd(file), &st) != 0) return 0xFFFFFFFF;
    // Larger files cannot hold a valid volume; report a size no ExpectedSize can match.
    return st.st_size > 0xFFFFFFFELL ? 0xFFFFFFFF : static_cast<u32>(st.st_size);
}

void PlatformSeek(FileHandle file, u32 offset) { ::lseek(ToFd(file), offset, SEEK_SET); }

void PlatformClose(FileHandle file) {
    if (file) ::close(ToFd(file));
}
