#include "install/RegistryEntries.h"

#include <cstring>

#include "install/DialogIds.h"
#include "install/InstallLogWriter.h"
#include "install/PathMacros.h"
#include "install/ProgressControls.h"
#include "install/RunAccount.h"
#include "package/InstallLog.h"
#include "package/PackageReader.h"
#include "package/RegistryLine.h"
#include "package/StubPackage.h"
#include "state/SetupState.h"

namespace {
// The value a line sets, when it sets one. A line whose data claims more bytes than it
// holds, or a string whose expansion does not fit, writes nothing.
void SetValue(RegistryKey key, const RegistryLine& line, char* name) {
    if (!key || line.type == RegistryValueType::NameOnly || CheckRegistryLine(line) != RegistryLineFault::None) return;
    const char* valueName = line.isDefault ? nullptr : name;
    switch (line.type) {
        case RegistryValueType::Binary: PlatformSetValue(key, valueName, RegBinary, line.data, line.dataLength); break;
        case RegistryValueType::Dword: PlatformSetValue(key, valueName, RegDword, line.data, 4); break;
        default: {
            char text[PathCapacity];
            std::memcpy(text, line.data, line.dataLength);
            text[line.dataLength] = 0;
            if (ExpandPathMacros(text)) PlatformSetValue(key, valueName, RegString, text, static_cast<u32>(std::strlen(text)) + 1);
        }
    }
}

void LogFixedGroup(const char* keyLine, const char* first, const char* second) {
    char line[PathCapacity + sizeof UninstallKeyLine];
    std::strcpy(line, keyLine);
    std::strcat(line, g_setup.UninstallName);
    LogCountedString(line);
    LogCountedString(first);
    LogCountedString(second);
    LogCountedString("");
}
}  // namespace

RegistryKey CreateKeyPath(RegistryKey root, char* subKey) {
    for (char* slash = std::strchr(subKey, '\\'); slash; slash = std::strchr(slash + 1, '\\')) {
        *slash = 0;
        PlatformCloseKey(PlatformCreateKey(root, subKey));
        *slash = '\\';
    }
    return PlatformCreateKey(root, subKey);
}

bool CreateRegistryEntries(WindowHandle dialog) {
    SetStatusText(dialog, "Creating registry entries...");
    ShowControl(dialog, PROGRESS_FILE_BAR, false);
    ShowControl(dialog, PROGRESS_CANCEL, false);
    bool groupOpen = false;
    RegistryKey key = nullptr;
    while (!g_setup.Cancelled) {
        u8 raw[CountedStringCapacity];
        int length = ReadPackageLine(raw);
        if (length <= 0) break;
        char* text = reinterpret_cast<char*>(raw);
        RegistryLine line;
        ParseRegistryLine(raw, static_cast<u32>(length), &line);
        switch (line.kind) {
            case RegistryLineKind::BadKey: break;  // not logged; the open group stays open
            case RegistryLineKind::Key:
                if (groupOpen) {
                    LogCountedString("");
                    PlatformCloseKey(key);
                }
                // The key line is logged as read: the sub key is cut and restored on the way.
                key = CreateKeyPath(PlatformRegistryRoot(RegistryRootHandle(line.root)), const_cast<char*>(line.subKey));
                groupOpen = true;
                LogCountedString(text);
                AccountLine("key", text + 1);
                break;
            case RegistryLineKind::Value:
                text[line.nameLength] = 0;
                SetValue(key, line, text);
                LogCountedString(text);
                AccountLine("value", text);
                break;
            default: LogCountedString(text); break;
        }
    }
    if (groupOpen) {
        LogCountedString("");
        PlatformCloseKey(key);
    }
    LogInstallationKeys();
    return true;
}

void LogInstallationKeys() {
    if (g_setup.UninstallName && *g_setup.UninstallName) {
        LogFixedGroup(RememberedChoicesKeyLine, RememberedPathValue, RememberedFolderValue);
        LogFixedGroup(UninstallKeyLine, DisplayNameValue, UninstallStringValue);
    }
}
