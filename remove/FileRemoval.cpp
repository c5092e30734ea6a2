#include "remove/FileRemoval.h"

#include "install/RestartMoves.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "state/RunOptions.h"
#include "state/Text.h"

namespace {
const char ReadOnlyText[] = "%s\n\nFile is marked read-only. Do you wish to remove it anyway?";
const char ReadOnlyCaption[] = "Confirm?";
const char InUseText[] = "%s\n\nCould not delete file. It may be in use. Shall I try again?";
const char InUseCaption[] = "Retry?";

int AskAbout(WindowHandle owner, const char* format, const char* path, const char* caption, unsigned style) {
    char text[512];
    FormatWithString(text, sizeof text, format, path);
    return PlatformMessageBox(owner, text, caption, style);
}
}  // namespace

bool DeleteWithPrompts(const char* path, WindowHandle owner) {
    // The name is looked up exactly as logged: a wildcard in it matches nothing.
    u32 attributes;
    if (!PlatformFileAttributes(path, &attributes)) return true;
    // A folder was never an installed file (writing one over it failed): not ours to
    // remove, and no retry could ever delete it as a file.
    if (attributes & FileAttributeDirectory) return true;
    if (attributes & FileAttributeReadOnly) {
        int answer = AskAbout(owner, ReadOnlyText, path, ReadOnlyCaption, MbYesNoCancel | MbIconInformation);
        if (answer == IdCancel) return false;
        if (answer != IdYes) return true;
        PlatformSetFileAttributes(path, 0);
    }
    while (!PlatformDeleteFile(path)) {
        // Nobody can close the program that uses it: the next restart deletes it.
        if (QuietRun()) {
            DeferredDelete(path);
            return true;
        }
        int answer = AskAbout(owner, InUseText, path, InUseCaption, MbYesNoCancel | MbIconError);
        if (answer == IdCancel) return false;
        if (answer != IdYes) return true;
    }
    return true;
}
