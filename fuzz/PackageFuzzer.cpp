// A whole Package stream, twice: through `packwright verify`'s VerifyPackage on an installer
// file around it, and walked directly the way the Stub reads it: the mode byte and header,
// every FileRecord with its blocks (decoded or skipped), the shortcut, registry and
// run-after sections, or a companion's strings. Nothing may crash or read out of bounds;
// running out of stream ends the host "process", which is an expected outcome of the
// walk, and frees what the process held, so that any other unreleased memory shows as a leak.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "FuzzHarness.h"
#include "package/DataBlock.h"
#include "package/PackageHeader.h"
#include "package/PackageReader.h"
#include "packwright/examine/Verify.h"
#include "shell/platform/host/HostPlatform.h"
#include "state/SetupState.h"

namespace {
void Check(bool condition) {
    if (!condition) std::abort();
}

bool HasEquals(const char* line) { return std::strchr(line, '=') != nullptr; }

// FileRecords until the empty name or a failure: name, 19 fixed bytes, blocks, end marker.
void ReadFileSection(u8* buffer) {
    for (;;) {
        const char* name = ReadCountedString();
        if (!*name) return;
        Check(std::strlen(name) <= 255);
        u8 fixed[19];
        if (ReadPackageBytes(fixed, sizeof fixed) < 0) return;
        // The shared flag chooses skipping, so both ways through a record get exercised.
        bool skip = fixed[18] & 1;
        for (;;) {
            u32 length = 0xFFFFFFFF;
            if (!ReadDataBlock(skip ? nullptr : buffer, &length, DecodeCapacity)) return;
            Check(length <= DecodeCapacity);
            if (length == 0) break;
        }
    }
}

void ReadInstallSections(u8* buffer) {
    ReadFileSection(buffer);
    for (;;) {  // shortcut lines: a line without "=" ends the section too
        const char* line = ReadCountedString();
        if (!*line || !HasEquals(line)) break;
    }
    while (*ReadCountedString()) {  // registry lines
    }
    ReadCountedString();  // the run-after command
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static u8 buffer[DecodeCapacity];
    std::string report;
    bool sound = VerifyPackage(WriteInstaller(data, size), report);
    Check(!report.empty());
    // Verify turns a process exit into an error of its own, and cannot say whether an exit
    // left a read's buffer behind: release what the reader code still holds.
    EndProcess(true);
    (void)sound;

    StartProcessOver(data, size);
    try {
        Check(OpenNextVolume());
        bool headerOk = ReadPackageHeader();
        if (g_setup.RunMode == 0) {
            if (headerOk) {
                Check(g_setup.ProductTitle && g_setup.FooterText && g_setup.UninstallName);
                Check(g_setup.ProgramDir && g_setup.ShortcutFolder);
                ReadInstallSections(buffer);
            } else {
                Check(g_setup.Corrupted);
            }
        } else {
            Check(headerOk && g_setup.ProductTitle && g_setup.FooterText && g_setup.UninstallName);
            while (*ReadCountedString()) {  // an InstallLog is made of such strings
            }
        }
    } catch (const HostProcessExit& exit) {
        Check(exit.code == 1);
        EndProcess(true);
        return 0;
    }
    EndProcess(false);
    return 0;
}
