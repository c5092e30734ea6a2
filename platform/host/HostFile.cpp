#include "platform/host/HostFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

bool HostFile::Open(const std::string& path) {
    Close();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    fd_ = fd;
    position_ = 0;
    return true;
}

void HostFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool HostFile::Read(void* buffer, u32 count, u32* got) {
    *got = 0;
    u8* out = static_cast<u8*>(buffer);
    while (*got < count) {
        ssize_t n = ::read(fd_, out + *got, count - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *got += static_cast<u32>(n);
    }
    position_ += *got;
    return true;
}

bool HostFile::Seek(u64 offset) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
    position_ = offset;
    return true;
}

u64 HostFile::Size() const {
    struct stat st;
    return ::fstat(fd_, &st) == 0 ? static_cast<u64>(st.st_size) : 0;
}
