// Fuzz inputs as Packages: a reader over an in-memory executable, and installer files that
// packwright's own commands can open.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "package/PackageReader.h"
#include "state/Types.h"

// Volume 0 in memory: a one-byte stand-in for the Stub, an unchecked ExpectedSize and the
// stream. There are no further volumes.
class MemoryVolumes : public VolumeSource {
public:
    MemoryVolumes(const u8* stream, std::size_t size);
    bool ExecutablePath(char* out, u32 capacity) override;
    u32 PackageOffset() override { return 1; }
    bool Open(const char* path) override;
    void Seek(u32 offset) override { position_ = offset; }
    bool Read(void* buffer, u32 count, u32* got) override;
    u32 Size() override { return static_cast<u32>(bytes_.size()); }
    void Close() override { open_ = false; }

private:
    std::vector<u8> bytes_;
    std::size_t position_ = 0;
    bool open_ = false;
};

// Gives up at every prompt, as a user who always answers Cancel would, and remembers that
// the stream ended for good.
class GiveUpPrompts : public PromptHandler {
public:
    bool Ask(const VolumeProblem&) override { return false; }
    void ReadGivenUp() override {}
    void SwitchFailed() override { ended = true; }
    bool ended = false;
};

// Writes an installer file around `stream`: a small stand-in Stub with the locator marker
// and offset, then an unchecked ExpectedSize and the stream. Returns its path (in memory).
std::string WriteInstaller(const u8* stream, std::size_t size);
