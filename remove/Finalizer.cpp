#include "remove/Finalizer.h"

#include <cstring>

#include "install/RestartMoves.h"
#include "package/RestartHandOver.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/Window.h"
#include "remove/RemovalList.h"
#include "state/SetupState.h"

namespace {
const char ReplacementPattern[] = "*.NewTemp";
const char SuccessText[] = "Installation complete! You can use the program immediately.";
const char SuccessCaption[] = "Success!";
const char FailureText[] =
    "There was an error finalizing the program. One or more files could not be updated; they may be in use or "
    "marked read-only.\n\nTo correct this problem, you may have to uninstall the application and then "
    "re-install it. If this does not work, please contact the application's author for assistance.";
const char FailureCaption[] = "Error!";

// The Finalizer's own directory with its last backslash ("C:\App\"), where the
// replacements lie; false when it cannot be had.
bool OwnDirectory(char* out) {
    if (!PlatformModulePath(out, PathCapacity)) return false;
    char* lastBackslash = std::strrchr(out, '\\');
    if (!lastBackslash) return false;
    lastBackslash[1] = 0;
    return true;
}

// Puts directory + "name.NewTemp" over directory + "name". In one step, so that a move that
// fails leaves the old file where it was instead of no file at all. Folders are not
// replacements.
bool PutInPlace(const char* directory, const char* name) {
    const char* lastDot = std::strrchr(name, '.');
    if (!lastDot) return true;
    char source[2 * PathCapacity];
    char target[2 * PathCapacity];
    std::strcpy(source, directory);
    std::strcat(source, name);
    u32 attributes;
    if (PlatformFileAttributes(source, &attributes) && (attributes & FileAttributeDirectory)) return true;
    std::strcpy(target, directory);
    std::strncat(target, name, static_cast<std::size_t>(lastDot - name));
    return PlatformReplaceFile(source, target);
}

// Every replacement in the directory (not below it), in the order the system lists them;
// the first that fails ends the work and leaves the rest as they are. Full paths, so that
// the moves never depend on the current directory.
bool PutReplacementsInPlace(const char* directory) {
    char pattern[2 * PathCapacity];
    std::strcpy(pattern, directory);
    std::strcat(pattern, ReplacementPattern);
    char name[PathCapacity];
    FileSearch search = PlatformFindFirstName(pattern, name, sizeof name);
    if (!search) return true;
    bool ok = true;
    do {
        if (!PutInPlace(directory, name)) {
            ok = false;
            break;
        }
    } while (PlatformFindNextName(search, name, sizeof name));
    PlatformFindClose(search);
    return ok;
}

// Reads the run-after command and deletes it, so that a second run opens nothing. The key
// is only opened, never made, and goes once empty: the Finalizer leaves nothing behind.
void TakeRunAfterCommand() {
    char* command = g_setup.RunAfterCommand;
    command[0] = 0;
    RegistryKey key = PlatformOpenKey(PlatformRegistryRoot(RootLocalMachine), RunAfterKey, true);
    if (!key) return;
    // Room for a terminator the stored text may lack; a value that does not fit is none.
    u32 size = sizeof g_setup.RunAfterCommand - 1;
    command[PlatformQueryValue(key, RunAfterValue, nullptr, command, &size) ? size : 0] = 0;
    PlatformDeleteValue(key, RunAfterValue);
    PlatformCloseKey(key);
    RemovalList keys;
    keys.AddEntry(RunAfterKey, RootLocalMachine);
    keys.PruneEmptyKeys();
}
}  // namespace

void RunFinalizer(InstanceHandle, WindowHandle window) {
    bool ok = true;
    char directory[PathCapacity];
    if (OwnDirectory(directory)) {
        // A relative run-after command names a file beside the Finalizer.
        PlatformSetCurrentDirectory(directory);
        ok = PutReplacementsInPlace(directory);
    }
    TakeRunAfterCommand();
    if (g_setup.RunAfterCommand[0]) PlatformShellOpen(window, g_setup.RunAfterCommand);
    if (ok) {
        PlatformMessageBox(window, SuccessText, SuccessCaption, MbIconInformation);
        char ownPath[PathCapacity];
        if (PlatformModulePath(ownPath, sizeof ownPath)) DeferredDelete(ownPath);
    } else {
        // FINALIZE.EXE stays, so that the failed replacements can be tried again.
        PlatformMessageBox(window, FailureText, FailureCaption, MbIconError);
    }
    PlatformPostMessage(window, MessageClose);
}
