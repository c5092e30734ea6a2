#include "install/Directories.h"

#include <cstring>

#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "state/SetupState.h"

namespace {
// One prefix of the path: made when nothing of that name exists; it must be a directory.
bool EnsureDirectory(const char* prefix) {
    u32 attributes = 0;
    if (!PlatformFileAttributes(prefix, &attributes)) return PlatformCreateDirectory(prefix);
    return (attributes & FileAttributeDirectory) != 0;
}
}  // namespace

bool CreateParentDirectories(WindowHandle owner, const char* path) {
    char work[PathCapacity];
    u32 length = static_cast<u32>(std::strlen(path));
    bool ok = length < sizeof work;
    char* slash = nullptr;
    if (ok) {
        std::memcpy(work, path, length + 1);
        slash = std::strchr(work, '\\');
        if (slash && slash - work == 2) slash = std::strchr(slash + 1, '\\');  // "C:\": not the drive
    }
    for (; slash && ok; slash = std::strchr(slash + 1, '\\')) {
        *slash = 0;
        ok = EnsureDirectory(work);
        *slash = '\\';
    }
    if (ok) return true;
    if (g_setup.InstallOk) {
        PlatformMessageBox(owner, "Could not create target directory.", "Error!", MbIconError);
        g_setup.InstallOk = false;
    }
    return false;
}
