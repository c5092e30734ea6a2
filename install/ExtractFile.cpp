#include "install/ExtractFile.h"

#include <cstring>

#include "install/BlockDecoders.h"
#include "install/DialogIds.h"
#include "install/Directories.h"
#include "install/InstallLogWriter.h"
#include "install/InstalledFiles.h"
#include "install/OverwriteQuestions.h"
#include "install/PathMacros.h"
#include "install/ProgressControls.h"
#include "install/RestartMoves.h"
#include "install/RunAccount.h"
#include "package/FileRecord.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "state/SetupState.h"

namespace {
const char NewTempSuffix[] = ".NewTemp";

bool g_sectionEnded = false;

// Before every DataBlock: a pending cancel is confirmed (false: stop) or withdrawn.
bool GoOn(WindowHandle dialog) {
    if (!g_setup.Cancelled) return true;
    FlushProgress(dialog);
    if (PlatformMessageBox(dialog, "Do you REALLY wish to cancel this installation?", "Confirm?",
                           MbIconQuestion | MbYesNo) == IdYes)
        return false;
    g_setup.Cancelled = false;
    return true;
}

// The file's blocks into file, each read where it always was (see BlockDecoders.h) and
// decoded there or ahead on another processor. True only when the end block was reached
// with every block sound and written in full: a damaged or unreadable block, a write that
// fails or comes up short (a full disk) or a confirmed cancel leaves the rest unread.
bool CopyBlocks(WindowHandle dialog, FileHandle file) {
    u8* buffer = new u8[DecodeCapacity];
    bool ok = false;
    while (GoOn(dialog)) {
        FileBlock block;
        BlockStatus status = ReadFileBlock(buffer, &block);
        if (status != BlockStatus::Sound) {
            // A read the user gave up has set Cancelled; anything else is damage.
            if (!g_setup.Cancelled) g_setup.Corrupted = true;
            break;
        }
        if (block.end) {
            ok = true;
            break;
        }
        StepProgress(dialog);
        u32 written = 0;
        if (!PlatformWrite(file, block.bytes, block.length, &written) || written != block.length) break;
    }
    DropReadAhead();
    delete[] buffer;
    return ok;
}

// The data goes to its ".NewTemp" beside the target, so that the target's name never holds
// a partial file; straight to the target only when that name is too long or cannot be
// created. Returns the name written; *file is null when neither could be created.
const char* CreateData(const char* path, char* temp, FileHandle* file) {
    if (std::strlen(path) + sizeof NewTempSuffix <= PathCapacity) {
        std::strcpy(temp, path);
        std::strcat(temp, NewTempSuffix);
        if ((*file = PlatformCreateForWrite(temp))) return temp;
    }
    *file = PlatformCreateForWrite(path);
    return path;
}

// Logged by its target path before any of its data, so that the Uninstaller removes it even
// when the data then fills the disk. Only a file whose every block was written takes the
// record's time and its real name (at once, or at the next restart when the installed file
// is in use); anything less is deleted, and the installed file it was to replace stays
// unless the data had to go straight to it.
bool WriteFile(WindowHandle dialog, const char* path, const FileRecord& record) {
    char temp[PathCapacity];
    FileHandle file;
    const char* data = CreateData(path, temp, &file);
    char line[PathCapacity + 1];
    std::strcpy(line, path);
    if (record.Shared) std::strcat(line, "\t");
    LogCountedString(line);
    bool ok = file && CopyBlocks(dialog, file);
    if (file) {
        if (ok) PlatformSetLastWriteTime(file, record.Time);
        PlatformClose(file);
        if (!ok) {
            PlatformDeleteFile(data);
        } else if (data == temp && !PlatformReplaceFile(temp, path)) {
            DeferredReplace(path, temp);
            AccountLine("put aside", temp);
        } else {
            AccountLine("written", path);
        }
    }
    if (record.Shared) RaiseSharedCount(path);
    return ok;
}

// The installed file stays as it is: nothing is logged or counted.
bool SkipFile(WindowHandle dialog) {
    SetFileStatus(dialog, "Skipping file...");
    while (GoOn(dialog)) {
        u32 length = 0;
        if (!ReadDataBlock(nullptr, &length, 0)) return false;
        if (length == 0) break;
        StepProgress(dialog);
    }
    return true;
}

bool Finish(WindowHandle dialog, bool ok) {
    if (g_setup.Cancelled) return false;
    if (!ok) {
        FlushProgress(dialog);
        PlatformMessageBox(dialog, "There was an error extracting a file.", "Error!", MbIconError);
        g_setup.InstallOk = false;
    }
    ShowControl(dialog, PROGRESS_FILE_BAR, false);
    return ok;
}

// The expanded target, which must fit with room for the shared-file marker after it in
// the log's 255 characters; an expansion that does not fit is refused, never cut.
bool TargetPath(const char* name, bool shared, char* path) {
    if (std::strlen(name) >= PathCapacity) return false;
    std::strcpy(path, name);
    return ExpandPathMacros(path) && (!shared || std::strlen(path) < PathCapacity - 1);
}
}  // namespace

bool FileSectionEnded() { return g_sectionEnded; }

bool ExtractFile(WindowHandle dialog) {
    g_sectionEnded = false;
    u8 name[CountedStringCapacity];
    int nameLength = ReadPackageLine(name);
    if (nameLength <= 0) {
        g_sectionEnded = nameLength == 0;
        return false;
    }
    u8 fixed[FileRecordFixedSize];
    if (ReadPackageBytes(fixed, sizeof fixed) < 0) return false;
    FileRecord record;
    ParseFileRecord(fixed, &record);

    char path[PathCapacity];
    const char* nameText = reinterpret_cast<const char*>(name);
    bool pathOk = TargetPath(nameText, record.Shared, path);
    SetFileStatus(dialog, pathOk ? path : nameText);
    ResetBar(dialog, PROGRESS_FILE_BAR, record.BlockCount);
    if (record.BlockCount > 1) ShowControl(dialog, PROGRESS_FILE_BAR, true);
    if (!pathOk) return Finish(dialog, false);
    if (!CreateParentDirectories(dialog, path)) return false;

    ExistingFile decision = ExistingFile::Write;
    FoundFile found;
    if (PlatformFindFile(path, &found)) {
        FlushProgress(dialog);  // the questions are about the file the dialog names
        decision = DecideExistingFile(dialog, path, record, found.lastWriteTime);
    }
    if (decision == ExistingFile::Cancel) return false;
    if (decision == ExistingFile::Skip) AccountLine("kept", path);
    bool ok = decision == ExistingFile::Skip ? SkipFile(dialog) : WriteFile(dialog, path, record);
    return Finish(dialog, ok);
}
