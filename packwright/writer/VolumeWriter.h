// Splits the Package stream into volume files: volume 0 is the patched stub, its
// ExpectedSize and the first stream bytes; every further volume starts with its own
// ExpectedSize. Sizes are patched in when a volume is closed, so nothing needs to be held
// in memory.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "packwright/writer/ByteSink.h"

struct VolumeLayout {
    u64 volumeSize = 0;       // largest size of any volume file (stub included); 0: one volume
    bool recordSizes = true;  // false: every ExpectedSize is 0, which turns the size check off
    // Nonzero: volume 0 holds at most this many bytes (a signed installer keeps room there
    // for its signature).
    u64 firstVolumeLimit = 0;
};

// The name under which the Stub looks for volume index beside executablePath.
std::string VolumeFileName(const std::string& executablePath, u32 index);

// Storage for the volumes: files on disk or memory.
class VolumeStore {
public:
    virtual ~VolumeStore() = default;
    virtual void BeginVolume(u32 index) = 0;
    virtual void Write(const u8* data, std::size_t length) = 0;
    // Stores the u32 value at fieldOffset of the current volume and closes it.
    virtual void EndVolume(u64 fieldOffset, u32 value) = 0;
};

class VolumeSink : public ByteSink {
public:
    // patchedStub already carries its PackageOffset (see PatchLocator).
    VolumeSink(VolumeStore& store, const ByteVector& patchedStub, VolumeLayout layout);
    using ByteSink::Write;
    void Write(const u8* data, std::size_t length) override;
    // Closes the last volume; no byte may follow.
    void Finish();
    u32 VolumeCount() const { return volumeIndex_ + 1; }
    u64 StreamBytes() const { return streamBytes_; }

private:
    void Begin(u32 index);
    void End();
    u64 Limit() const;

    VolumeStore& store_;
    VolumeLayout layout_;
    u64 fieldOffset_ = 0;  // where the current volume's ExpectedSize stands
    u64 volumeBytes_ = 0;  // bytes of the current volume so far
    u32 volumeIndex_ = 0;
    u64 streamBytes_ = 0;
    bool open_ = false;
    bool finished_ = false;
};

class MemoryVolumeStore : public VolumeStore {
public:
    void BeginVolume(u32 index) override;
    void Write(const u8* data, std::size_t length) override;
    void EndVolume(u64 fieldOffset, u32 value) override;
    std::vector<ByteVector> volumes;
};

// Writes each volume under a temporary name beside its final one; Commit renames them all.
// Without Commit (an error on the way) the temporary files are removed, so a failed build
// never leaves a half-written installer under the real name.
class FileVolumeStore : public VolumeStore {
public:
    explicit FileVolumeStore(std::string outputPath);
    ~FileVolumeStore() override;
    void BeginVolume(u32 index) override;
    void Write(const u8* data, std::size_t length) override;
    void EndVolume(u64 fieldOffset, u32 value) override;
    void Commit();
    // Final paths of the volumes written, in order.
    const std::vector<std::string>& Paths() const { return finalPaths_; }

private:
    void Fail(const std::string& what) const;

    std::string outputPath_;
    std::vector<std::string> finalPaths_;
    std::vector<std::string> tempPaths_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};
