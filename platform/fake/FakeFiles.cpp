// Files for tests: POSIX descriptors behind the platform's handles, with drive paths mapped
// under a root the test chooses.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>

#include "platform/Files.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::string g_driveRoot;
int g_failReads = 0;

int ToFd(FileHandle file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file)) - 1; }
FileHandle ToHandle(int fd) { return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(fd) + 1); }

bool IsDrivePath(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}
}  // namespace

namespace fake_state {
void ResetFiles() {
    g_driveRoot.clear();
    g_failReads = 0;
}
bool ConsumeReadFailure() {
    if (g_failReads <= 0) return false;
    --g_failReads;
    return true;
}
}  // namespace fake_state

namespace fake {
void SetDriveRoot(const std::string& root) { g_driveRoot = root; }
void FailNextReads(int count) { g_failReads = count; }

std::string HostPath(const std::string& path) {
    if (g_driveRoot.empty() || !IsDrivePath(path)) return path;
    std::string drive(1, static_cast<char>(path[0] >= 'a' ? path[0] - 32 : path[0]));
    std::filesystem::create_directories(g_driveRoot + "/" + drive);
    std::string rest = path.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    return g_driveRoot + "/" + drive + rest;
}
}  // namespace fake

FileHandle PlatformOpenForRead(const char* path) {
    int fd = ::open(fake::HostPath(path).c_str(), O_RDONLY | O_CLOEXEC);
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
    if (fake_state::ConsumeReadFailure()) return false;
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
