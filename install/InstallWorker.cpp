#include "install/InstallWorker.h"

#include <cstring>

#include "install/BlockDecoders.h"
#include "install/CompanionImage.h"
#include "install/DialogIds.h"
#include "install/ExtractFile.h"
#include "install/InstallLogWriter.h"
#include "install/PathMacros.h"
#include "install/ProgressControls.h"
#include "install/RegistryEntries.h"
#include "install/Shortcuts.h"
#include "package/InstallLog.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "state/SetupState.h"

namespace {
bool HasText(const char* text) { return text && *text; }

// FINALIZE.EXE, then UNINST.EXE (left open as the InstallLog) and the log's first record.
// False when either could not be written whole: nothing may then be installed that the
// user could not remove.
bool WriteCompanions(WindowHandle dialog) {
    char path[PathCapacity];
    if (HasText(g_setup.ProgramDir)) {
        SetStatusText(dialog, "Initializing Finalize information...");
        if (!ExpandPathMacrosInto(PACKWRIGHT_FINALIZER_PATH, path) || !WriteCompanionImage(path, false)) return false;
    }
    g_setup.InstallLogHandle = nullptr;
    if (!HasText(g_setup.UninstallName)) return true;
    SetStatusText(dialog, "Initializing Uninstall information...");
    if (!ExpandPathMacrosInto(PACKWRIGHT_UNINSTALLER_PATH, path) || !WriteCompanionImage(path, true)) return false;
    if (ExpandPathMacrosInto(PACKWRIGHT_FINALIZER_PATH, path)) LogCountedString(path);
    return true;
}

// The sections after the files are read only when the file section was read to its end:
// after a cancellation or a failure the Package stands inside some file's data, and
// nothing read from there may become a shortcut, a registry entry or a command.
void InstallFromPackage(WindowHandle dialog) {
    while (ExtractFile(dialog)) {
    }
    bool sectionsFollow = FileSectionEnded() && !g_setup.Cancelled;
    if (sectionsFollow) CreateShortcuts(dialog);
    char path[PathCapacity];
    if (ExpandPathMacrosInto(PACKWRIGHT_UNINSTALLER_PATH, path)) LogCountedString(path);
    LogCountedString("");
    if (sectionsFollow && !g_setup.Cancelled) CreateRegistryEntries(dialog);
    else LogInstallationKeys();
    LogCountedString("");
    if (sectionsFollow && !g_setup.Cancelled) {
        u8 command[CountedStringCapacity];
        if (ReadPackageLine(command) >= 0) std::memcpy(g_setup.RunAfterCommand, command, std::strlen(reinterpret_cast<char*>(command)) + 1);
    }
}
}  // namespace

u32 InstallWorker(void* parameter) {
    WindowHandle dialog = parameter;
    g_setup.PromptOwner = dialog;
    BindProgressControls(dialog);
    ResetBar(dialog, PROGRESS_TOTAL_BAR, g_setup.TotalBlocks);
    bool companionsWritten = WriteCompanions(dialog);
    PlatformComInitialize();
    if (companionsWritten) {
        StartBlockDecoders();
        InstallFromPackage(dialog);
        StopBlockDecoders();
    }
    PlatformComUninitialize();
    FlushProgress(dialog);
    g_setup.PromptOwner = nullptr;
    BindProgressControls(nullptr);
    if (dialog) PlatformEndDialog(dialog, 0);  // a run without a dialog has none to end
    return 0;
}
