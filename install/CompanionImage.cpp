#include "install/CompanionImage.h"

#include <cstring>

#include "install/Directories.h"
#include "install/InstallLogWriter.h"
#include "package/InstallLog.h"
#include "package/PeSecurity.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "state/SetupState.h"
#include "state/Text.h"

namespace {
const char WriteFailedText[] = "There was an error writing '%s'. The installation cannot go on.";
const u32 CopyChunk = 0x7FFF;

const char* TextOrEmpty(const char* text) { return text ? text : ""; }

// The first PackageOffset bytes of the running executable: the Stub, locator included, so
// the copy finds its own Package at the same offset. The copy of a signed installer's
// headers is made unsigned: the certificate table stays behind.
bool CopyStub() {
    char module[PathCapacity];
    if (!PlatformModulePath(module, sizeof module)) return false;
    FileHandle source = PlatformOpenForRead(module);
    if (!source) return false;
    u8* chunk = new u8[CopyChunk];
    u32 remaining = PackageOffset();
    bool first = true;
    while (remaining > 0) {
        u32 got = 0;
        if (!PlatformRead(source, chunk, remaining < CopyChunk ? remaining : CopyChunk, &got) || got == 0) break;
        if (first) ClearSecurityDirectory(chunk, got);
        first = false;
        if (LogBytes(chunk, got) < 0) break;
        remaining -= got;
    }
    delete[] chunk;
    PlatformClose(source);
    return remaining == 0;
}

bool WriteCompanionHeader(bool isUninstaller) {
    const u8 expectedSize[4] = {0, 0, 0, 0};  // 0: the size check is off
    const u8 mode = isUninstaller ? 1 : 2;
    return LogBytes(expectedSize, 4) == 4 && LogBytes(&mode, 1) == 1 && LogCountedString(TextOrEmpty(g_setup.ProductTitle)) >= 0 &&
           LogCountedString(TextOrEmpty(g_setup.FooterText)) >= 0 && LogCountedString(TextOrEmpty(g_setup.UninstallName)) >= 0;
}

// DisplayName and UninstallString. The path is quoted: unquoted, a blank in it (as in
// "C:\Program Files") would make the system try "C:\Program.exe" first.
void RegisterUninstaller(const char* path) {
    char key[PathCapacity + sizeof PACKWRIGHT_UNINSTALL_KEY];
    std::strcpy(key, PACKWRIGHT_UNINSTALL_KEY);
    std::strcat(key, TextOrEmpty(g_setup.UninstallName));
    RegistryKey registration = PlatformCreateKey(PlatformRegistryRoot(RootLocalMachine), key);
    if (!registration) return;
    char command[PathCapacity + 2];
    command[0] = '"';
    std::strcpy(command + 1, path);
    std::strcat(command, "\"");
    PlatformSetValue(registration, DisplayNameValue, RegString, g_setup.UninstallName,
                     static_cast<u32>(std::strlen(g_setup.UninstallName)) + 1);
    PlatformSetValue(registration, UninstallStringValue, RegString, command, static_cast<u32>(std::strlen(command)) + 1);
    PlatformCloseKey(registration);
}

void ReportWriteFailure(const char* path) {
    if (!g_setup.InstallOk) return;
    char text[PathCapacity + sizeof WriteFailedText];
    FormatWithString(text, sizeof text, WriteFailedText, path);
    PlatformMessageBox(g_setup.PromptOwner, text, "Error!", MbIconError);
    g_setup.InstallOk = false;
}
}  // namespace

bool WriteCompanionImage(const char* path, bool isUninstaller) {
    if (!CreateParentDirectories(nullptr, path)) return false;
    g_setup.InstallLogHandle = PlatformCreateForWrite(path);
    bool ok = g_setup.InstallLogHandle && CopyStub() && WriteCompanionHeader(isUninstaller);
    if (!ok) {
        CloseInstallLog();
        PlatformDeleteFile(path);
        ReportWriteFailure(path);
        return false;
    }
    if (isUninstaller) RegisterUninstaller(path);
    else CloseInstallLog();
    return true;
}
