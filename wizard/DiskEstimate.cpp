#include "wizard/DiskEstimate.h"

#include <cstring>

#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/System.h"
#include "platform/Window.h"
#include "state/SetupState.h"
#include "state/Text.h"
#include "wizard/PageIds.h"

namespace {
const u32 TextCapacity = 512;
const u64 LargestTableCluster = 32768;

u64 RoundUpToClusters(u64 bytes, u64 clusterSize) { return (bytes + clusterSize - 1) / clusterSize * clusterSize; }

void AppendText(char* out, u32* at, const char* text) {
    u32 length = static_cast<u32>(std::strlen(text));
    std::memcpy(out + *at, text, length);
    *at += length;
}
}  // namespace

DiskFigures EstimateBytes(const u32 sizeTable[7], u32 totalBlocks, u32 stubSize, u32 companions, u64 clusterSize) {
    u64 files = static_cast<u64>(totalBlocks) * BuiltBlockSize;
    for (u32 i = 0; i < 7; ++i) {
        if (clusterSize <= (u64{512} << i)) {
            files = static_cast<u64>(sizeTable[i]) << (9 + i);
            break;
        }
    }
    DiskFigures figures;
    figures.thisDrive = files + companions * RoundUpToClusters(stubSize, clusterSize);
    figures.otherDrives =
        (static_cast<u64>(sizeTable[6]) << 15) + companions * RoundUpToClusters(stubSize, LargestTableCluster);
    return figures;
}

void EstimateRootPath(const char* programDir, char* root) {
    std::strncpy(root, programDir, PathCapacity - 1);
    root[PathCapacity - 1] = 0;
    char* colon = std::strchr(root, ':');
    // Room is certain: the colon stands where the backslash goes, the terminator after it.
    if (colon && colon - root < static_cast<int>(PathCapacity) - 2) std::memcpy(colon, ":\\", 3);
}

void EstimateText(const DiskFigures& figures, char* out) {
    u32 at = 0;
    AppendText(out, &at, "This installation may require up to ");
    at += FormatUnsigned(out + at, figures.thisDrive >> 10, 1);
    AppendText(out, &at, "Kb on this drive. It may require up to ");
    at += FormatUnsigned(out + at, figures.otherDrives >> 10, 1);
    AppendText(out, &at, "Kb on other drives depending on their formats.");
    out[at] = 0;
}

void EstimateDiskSpace(WindowHandle page) {
    char text[TextCapacity];
    char root[PathCapacity];
    EstimateRootPath(g_setup.ProgramDir ? g_setup.ProgramDir : "", root);
    u32 sectorsPerCluster = 0, bytesPerSector = 0;
    u64 clusterSize = 0;
    if (PlatformDiskGeometry(root, &sectorsPerCluster, &bytesPerSector))
        clusterSize = static_cast<u64>(sectorsPerCluster) * bytesPerSector;
    // A geometry of no bytes at all is as good as none: nothing can be rounded to it.
    if (clusterSize == 0) {
        std::strcpy(text, "Size requirements unavailable.");
    } else {
        u32 companions = (g_setup.ProgramDir && *g_setup.ProgramDir ? 1 : 0) +
                         (g_setup.UninstallName && *g_setup.UninstallName ? 1 : 0);
        EstimateText(EstimateBytes(g_setup.SizeTable, g_setup.TotalBlocks, PackageOffset(), companions, clusterSize),
                     text);
    }
    PlatformSetText(PlatformDialogItem(page, PAGE_ESTIMATE), text);
}
