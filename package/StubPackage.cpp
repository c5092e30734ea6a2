#include "package/StubPackage.h"

#include <new>

#include "package/DataBlock.h"
#include "package/Locator.h"
#include "package/PackageHeader.h"
#include "package/VolumeNames.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"
#include "state/Text.h"

namespace {
const char NextDiskText[] = "Please insert the disk containing '%s' into the drive and select OK.";
const char NextDiskCaption[] = "Next disk, please...";
const char DamageText[] =
    "The file '%s' appears to be damaged or incomplete, or there was an error reading it. You may "
    "attempt to retry this operation; if this fails several times, please obtain a new copy, or "
    "contact the author of the program for assistance.";
const char DamageCaption[] = "File Damaged";
const char ReadErrorText[] =
    "There was a problem reading the disk information. Please ensure that the disk is properly "
    "seated in the drive. If this error continues to appear, the disk may be damaged.";
const char ReadErrorCaption[] = "Critical Error!";

class PlatformVolumes : public VolumeSource {
public:
    bool ExecutablePath(char* out, u32 capacity) override { return PlatformModulePath(out, capacity); }
    u32 PackageOffset() override { return EmbeddedPackageOffset(); }
    bool Open(const char* path) override {
        Close();
        file_ = PlatformOpenForRead(path);
        return file_ != nullptr;
    }
    void Seek(u32 offset) override { PlatformSeek(file_, offset); }
    bool Read(void* buffer, u32 count, u32* got) override { return PlatformRead(file_, buffer, count, got); }
    u32 Size() override { return PlatformFileSize(file_); }
    void Close() override {
        if (file_) PlatformClose(file_);
        file_ = nullptr;
    }

private:
    FileHandle file_ = nullptr;
};

class MessageBoxPrompts : public PromptHandler {
public:
    bool Ask(const VolumeProblem& problem) override {
        switch (problem.prompt) {
            case PackagePrompt::NextDisk:
                return VolumePrompt(NextDiskText, problem.path, NextDiskCaption, MbOkCancel | MbIconWarning) == IdOk;
            case PackagePrompt::Damaged:
                return VolumePrompt(DamageText, problem.path, DamageCaption, MbRetryCancel | MbIconError) == IdRetry;
            case PackagePrompt::ReadError:
                return PlatformMessageBox(nullptr, ReadErrorText, ReadErrorCaption,
                                          MbRetryCancel | MbIconWarning | MbTopmost | MbSetForeground) == IdRetry;
        }
        return false;
    }
    void ReadGivenUp() override { g_setup.Cancelled = true; }
    // Nothing is cleaned up or rolled back: whatever was written stays.
    // A quiet run ends as a failure with an exit code of its own, as a given-up read does.
    void SwitchFailed() override {
        if (!QuietRun()) PlatformExitProcess(1);
        ReadGivenUp();
    }
    // The end of a companion's log: its reads give "" from here on, as at its end marker.
    void StreamEnded() override {}

private:
    static int VolumePrompt(const char* format, const char* path, const char* caption, unsigned style) {
        char text[512];
        FormatWithString(text, sizeof text, format, FileNamePart(path));
        return PlatformMessageBox(g_setup.PromptOwner, text, caption, style);
    }
};

PlatformVolumes g_volumes;
MessageBoxPrompts g_prompts;
// Made in place so that tests can start it over; lives for the whole process.
alignas(PackageReader) unsigned char g_readerStorage[sizeof(PackageReader)];
PackageReader* g_reader = nullptr;
}  // namespace

PackageReader& StubReader() {
    if (!g_reader) g_reader = new (g_readerStorage) PackageReader(g_volumes, g_prompts);
    return *g_reader;
}

void ResetStubReader() {
    if (g_reader) {
        g_reader->CloseVolume();
        g_reader->~PackageReader();
    }
    g_reader = nullptr;
}

bool OpenNextVolume() { return StubReader().OpenNextVolume(); }
void CloseVolume() { StubReader().CloseVolume(); }
int ReadPackageBytes(void* buffer, u32 n) { return StubReader().ReadPackageBytes(buffer, n); }
const char* ReadCountedString() { return StubReader().ReadCountedString(); }
int ReadPackageLine(u8* line) {
    int length = StubReader().ReadCountedBytes(line);
    line[length < 0 ? 0 : length] = 0;
    return length;
}
u32 PackageOffset() { return StubReader().PackageOffset(); }

bool ReadDataBlock(u8* buffer, u32* length, u32 capacity) {
    BlockStatus status = ReadDataBlock(StubReader(), buffer, length, capacity);
    if (status == BlockStatus::Damaged) g_setup.Corrupted = true;
    return status == BlockStatus::Sound;
}

bool ReadPackageHeader() {
    PackageHeader h;
    HeaderStatus status = ReadPackageHeader(StubReader(), h);
    g_setup.Mode = h.Mode;
    g_setup.ProductTitle = h.ProductTitle;
    g_setup.FooterText = h.FooterText;
    g_setup.UninstallName = h.UninstallName;
    g_setup.ProgramDir = h.ProgramDir;
    g_setup.ShortcutFolder = h.ShortcutFolder;
    g_setup.LicenceText = h.LicenceText;
    g_setup.PasswordChecksum = h.PasswordChecksum;
    for (int k = 0; k < 7; ++k) g_setup.SizeTable[k] = h.SizeTable[k];
    g_setup.TotalBlocks = h.TotalBlocks;
    g_setup.ProgramDirFixed = h.ProgramDirFixed;
    if (status == HeaderStatus::Damaged || status == HeaderStatus::TooShort) g_setup.Corrupted = true;
    return status == HeaderStatus::Read;
}
