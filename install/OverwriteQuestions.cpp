#include "install/OverwriteQuestions.h"

#include "install/DialogIds.h"
#include "install/InstalledFiles.h"
#include "platform/Dialogs.h"
#include "platform/Window.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"

namespace {
const char OverwriteText[] =
    "One or more of this program's files already exist in the target directory. May I overwrite them?";

// A quiet run keeps the installed file: it never writes over a newer one.
iptr Ask(WindowHandle dialog, int templateId, const char* path) {
    if (QuietRun()) return OVERWRITE_KEEP;
    return PlatformDialogBox(nullptr, templateId, dialog, OverwriteDialogProc, reinterpret_cast<iptr>(path));
}

int CompareFileTimes(u64 a, u64 b) { return a < b ? -1 : a > b ? 1 : 0; }

// The installed file is newer than the packaged one: by version when it has one.
bool InstalledIsNewer(const char* path, const FileRecord& record, u64 installedTime) {
    u16 installed[4];
    if (ReadFileVersion(path, installed)) return CompareVersions(installed, record.Version) > 0;
    return CompareFileTimes(installedTime, record.Time) > 0;
}
}  // namespace

ExistingFile DecideExistingFile(WindowHandle dialog, const char* path, const FileRecord& record, u64 installedTime) {
    if (!g_setup.OverwriteConfirmed && !record.Shared) {
        if (PlatformMessageBox(dialog, OverwriteText, "Overwrite?", MbIconQuestion | MbYesNo) != IdYes) {
            g_setup.Cancelled = true;
            return ExistingFile::Cancel;
        }
        g_setup.OverwriteConfirmed = true;
    }
    if (!g_setup.ReplaceAll && InstalledIsNewer(path, record, installedTime)) {
        // A question that could not be shown was not answered Yes: the newer file stays.
        switch (Ask(dialog, NEWER_FILE_DIALOG, path)) {
            case OVERWRITE_REPLACE: return ExistingFile::Write;
            case OVERWRITE_ALL: g_setup.ReplaceAll = true; return ExistingFile::Write;
            case IdCancel: g_setup.Cancelled = true; return ExistingFile::Cancel;
            default: return ExistingFile::Skip;
        }
    }
    // Its buttons for all files act on this file only: the dialog comes back for the next.
    if (record.Shared && CompareFileTimes(installedTime, record.Time) == 0) {
        iptr answer = Ask(dialog, SHARED_FILE_DIALOG, path);
        return answer == OVERWRITE_KEEP || answer == IdCancel ? ExistingFile::Skip : ExistingFile::Write;
    }
    return ExistingFile::Write;
}

bool OverwriteDialogProc(WindowHandle dialog, unsigned message, uptr wParam, iptr lParam) {
    if (message == MessageInitDialog) {
        PlatformSetText(PlatformDialogItem(dialog, OVERWRITE_PATH_EDIT), reinterpret_cast<const char*>(lParam));
        return false;
    }
    if (message != MessageCommand) return false;
    if (((wParam >> 16) & 0xFFFF) == 0) PlatformEndDialog(dialog, static_cast<iptr>(wParam & 0xFFFF));
    return true;
}
