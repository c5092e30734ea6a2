#include "package/VolumeNames.h"

#include <cstring>

#include "state/Text.h"

bool VolumePath(const char* executablePath, u32 index, char* out, u32 capacity) {
    u32 length = static_cast<u32>(std::strlen(executablePath));
    const char* dot = std::strrchr(executablePath, '.');
    u32 stem = dot ? static_cast<u32>(dot - executablePath) : length;
    char suffix[16] = ".";
    u32 suffixLength = 1 + FormatUnsigned(suffix + 1, index, 3);
    if (stem + suffixLength >= capacity) return false;
    std::memmove(out, executablePath, stem);
    std::memcpy(out + stem, suffix, suffixLength + 1);
    return true;
}

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}
