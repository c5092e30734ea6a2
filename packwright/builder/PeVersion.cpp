#include "packwright/builder/PeVersion.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "packwright/pe/VersionResource.h"

FileVersion ReadPeFileVersion(const u8* data, std::size_t size) {
    std::optional<VersionLayout> layout = ReadVersionLayout(data, size);
    if (!layout) return {};
    std::array<u16, 4> n = ReadVersionNumbers(data, *layout);
    return {n[0], n[1], n[2], n[3]};
}

FileVersion ReadPeFileVersionOf(const std::string& path) {
    FileVersion version;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return version;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        std::size_t size = static_cast<std::size_t>(st.st_size);
        void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            version = ReadPeFileVersion(static_cast<const u8*>(map), size);
            ::munmap(map, size);
        }
    }
    ::close(fd);
    return version;
}
