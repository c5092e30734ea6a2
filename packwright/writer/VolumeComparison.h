// Compares the volumes a build would write with installer files already on disk, byte for
// byte as they are produced, without writing anything or holding the installer in memory.
#pragma once
#include <cstdio>
#include <optional>
#include <string>

#include "packwright/writer/VolumeWriter.h"

struct VolumeComparison {
    bool identical = true;
    u64 bytesCompared = 0;
    u32 volumes = 0;  // the volumes the build makes
    // The first difference: where, and what stands there on each side (none past a file's end).
    struct Difference {
        u32 volume = 0;
        std::string path;
        u64 offset = 0;
        std::optional<u8> installer;
        std::optional<u8> rebuilt;
        std::string what;  // "differs", "is missing", "is longer", "is shorter"
    };
    std::optional<Difference> difference;
    std::optional<std::string> extraVolume;  // a further volume file beside the installer
};

// A VolumeStore that reads the installer's files instead of writing; it stops the build
// (throws ComparisonEnded) at the first difference.
class ComparingVolumeStore : public VolumeStore {
public:
    ComparingVolumeStore(std::string installerPath, u64 stubSize);
    ~ComparingVolumeStore() override;
    void BeginVolume(u32 index) override;
    void Write(const u8* data, std::size_t length) override;
    void EndVolume(u64 fieldOffset, u32 value) override;
    // After the last volume: notes a further volume file beside the installer.
    void Finish();
    VolumeComparison result;

private:
    [[noreturn]] void Differ(u64 offset, std::optional<u8> installer, std::optional<u8> rebuilt, const char* what);

    std::string installerPath_;
    u64 stubSize_;
    std::FILE* file_ = nullptr;
    u32 index_ = 0;
    u64 position_ = 0;
};

struct ComparisonEnded {};
