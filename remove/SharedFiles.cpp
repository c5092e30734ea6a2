#include "remove/SharedFiles.h"

#include "install/InstalledFiles.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "remove/FileRemoval.h"

namespace {
const char NoLongerNeededText[] =
    "The Windows Registry indicates that this shared file is no longer needed. However, it may be mistaken; "
    "deleting it could cause other programs to stop working. Shall I delete the shared file?";
}  // namespace

bool ReleaseSharedFile(const char* path, WindowHandle owner) {
    RegistryKey key = PlatformCreateKey(PlatformRegistryRoot(RootLocalMachine), SharedCountsKey);
    // Without the counts nobody can tell whether others still use the file: it stays.
    if (!key) return true;
    // A missing or unreadable count stands for this installation alone.
    u8 data[4];
    u32 size = sizeof data;
    u32 type = 0;
    u32 count = PlatformQueryValue(key, path, &type, data, &size) && size == sizeof data ? LoadU32(data) : 1;
    --count;  // a stored 0 wraps, and the file stays: a count that makes no sense is no licence to delete
    bool goOn = true;
    if (count != 0) {
        StoreU32(data, count);
        PlatformSetValue(key, path, RegDword, data, sizeof data);
    } else {
        PlatformDeleteValue(key, path);
        if (PlatformMessageBox(owner, NoLongerNeededText, path, MbYesNo | MbIconQuestion | MbDefaultButton2) == IdYes)
            goOn = DeleteWithPrompts(path, owner);
    }
    PlatformCloseKey(key);
    return goOn;
}
