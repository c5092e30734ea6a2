#include "package/PackageReader.h"

#include <cstring>

#include "shell/platform/Platform.h"
#include "state/SetupState.h"
#include "state/Text.h"

namespace {
FileHandle g_volume = nullptr;
u32 g_volumeIndex = 0;
u32 g_volumeStartOffset = 0;
char g_string[256];

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

int VolumePrompt(const char* format, const char* path, const char* caption, unsigned style) {
    char text[512];
    FormatWithString(text, sizeof text, format, FileNamePart(path));
    return PlatformMessageBox(g_setup.PromptOwner, text, caption, style);
}

// Reads from the open volume only, asking again on read errors: the count (possibly short
// at the volume's end) or -1 when the user cancelled.
int ReadFromVolume(u8* buffer, u32 n) {
    for (;;) {
        u32 got = 0;
        if (PlatformRead(g_volume, buffer, n, &got)) return static_cast<int>(got);
        int answer = PlatformMessageBox(nullptr, ReadErrorText, ReadErrorCaption,
                                        MbRetryCancel | MbIconWarning | MbTopmost | MbSetForeground);
        if (answer != IdRetry) {
            g_setup.Cancelled = true;
            return -1;
        }
    }
}
}  // namespace

u32 PackageOffset() { return PlatformLocatorOffset(); }
u32 VolumeCount() { return g_volumeIndex; }

const char* FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/') name = p + 1;
    return name;
}

bool VolumePath(const char* executablePath, u32 index, char* out) {
    u32 length = static_cast<u32>(std::strlen(executablePath));
    const char* dot = std::strrchr(executablePath, '.');
    u32 stem = dot ? static_cast<u32>(dot - executablePath) : length;
    char suffix[16] = ".";
    u32 suffixLength = 1 + FormatUnsigned(suffix + 1, index, 3);
    if (stem + suffixLength >= PathCapacity) return false;
    std::memcpy(out, executablePath, stem);
    std::memcpy(out + stem, suffix, suffixLength + 1);
    return true;
}

void CloseVolume() {
    if (g_volume) PlatformClose(g_volume);
    g_volume = nullptr;
}

void ResetPackageReader() {
    CloseVolume();
    g_volumeIndex = 0;
    g_volumeStartOffset = 0;
}

bool OpenNextVolume() {
    char path[PathCapacity];
    if (!PlatformModulePath(path, sizeof path)) return false;
    if (g_volumeIndex != 0) {
        CloseVolume();
        char volume[PathCapacity];
        if (!VolumePath(path, g_volumeIndex, volume)) return false;
        std::memcpy(path, volume, sizeof path);
        g_volumeStartOffset = 0;
    } else {
        g_volumeStartOffset = PackageOffset();
        if (g_volumeStartOffset == 0) return false;
    }
    for (;;) {
        g_volume = PlatformOpenForRead(path);
        if (!g_volume) {
            if (VolumePrompt(NextDiskText, path, NextDiskCaption, MbOkCancel | MbIconWarning) != IdOk) return false;
            continue;
        }
        if (g_volumeStartOffset) PlatformSeek(g_volume, g_volumeStartOffset);
        // The size field is read from this volume alone: a volume too short to hold it is
        // damaged, and reading on into the next one would only reopen this one again.
        u8 field[4];
        if (ReadFromVolume(field, 4) == 4) {
            u32 expected = LoadU32(field);
            if (expected == 0 || expected == PlatformFileSize(g_volume)) {
                ++g_volumeIndex;
                return true;
            }
        }
        if (VolumePrompt(DamageText, path, DamageCaption, MbRetryCancel | MbIconError) != IdRetry) {
            CloseVolume();
            return false;
        }
        CloseVolume();
    }
}

int ReadPackageBytes(void* buffer, u32 n) {
    u8* out = static_cast<u8*>(buffer);
    u32 total = 0;
    while (total < n) {
        int got = ReadFromVolume(out + total, n - total);
        if (got < 0) return -1;
        total += static_cast<u32>(got);
        if (total < n && !OpenNextVolume()) PlatformExitProcess(1);
    }
    return static_cast<int>(total);
}

const char* ReadCountedString() {
    u8 length;
    if (ReadPackageBytes(&length, 1) < 0) return "";
    if (length && ReadPackageBytes(g_string, length) < 0) return "";
    g_string[length] = 0;
    return g_string;
}
