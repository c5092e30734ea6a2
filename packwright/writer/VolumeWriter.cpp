#include "packwright/writer/VolumeWriter.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "package/VolumeNames.h"
#include "packwright/writer/WriterError.h"

namespace {
constexpr u64 LargestVolume = 0xFFFFFFFFull;  // ExpectedSize and the Stub's file size are u32
}

std::string VolumeFileName(const std::string& executablePath, u32 index) {
    std::string name(executablePath.size() + 16, '\0');  // room for "." and any u32 index
    VolumePath(executablePath.c_str(), index, name.data(), static_cast<u32>(name.size()));
    name.resize(std::char_traits<char>::length(name.c_str()));
    return name;
}

VolumeSink::VolumeSink(VolumeStore& store, const ByteVector& patchedStub, VolumeLayout layout)
    : store_(store), layout_(layout) {
    if (layout_.volumeSize != 0) {
        if (layout_.volumeSize <= patchedStub.size() + 4)
            throw WriterError("volume size " + std::to_string(layout_.volumeSize) +
                              " leaves no room for the package in the first volume (the stub alone takes " +
                              std::to_string(patchedStub.size() + 4) + " bytes)");
        if (layout_.volumeSize > LargestVolume) throw WriterError("volume size must be below 4 GiB");
        if (layout_.firstVolumeLimit != 0 && layout_.firstVolumeLimit <= patchedStub.size() + 4)
            throw WriterError("volume size " + std::to_string(layout_.volumeSize) +
                              " leaves no room for the package in the first volume beside the stub and the signature");
    }
    Begin(0);
    store_.Write(patchedStub.data(), patchedStub.size());
    volumeBytes_ = patchedStub.size();
    fieldOffset_ = patchedStub.size();
    u8 placeholder[4] = {};
    store_.Write(placeholder, 4);
    volumeBytes_ += 4;
}

void VolumeSink::Begin(u32 index) {
    store_.BeginVolume(index);
    volumeIndex_ = index;
    volumeBytes_ = 0;
    fieldOffset_ = 0;
    open_ = true;
}

void VolumeSink::End() {
    if (volumeBytes_ > LargestVolume)
        throw WriterError("volume " + std::to_string(volumeIndex_) +
                          " would be larger than 4 GiB; split the installer into volumes");
    store_.EndVolume(fieldOffset_, layout_.recordSizes ? static_cast<u32>(volumeBytes_) : 0);
    open_ = false;
}

u64 VolumeSink::Limit() const {
    return volumeIndex_ == 0 && layout_.firstVolumeLimit != 0 ? layout_.firstVolumeLimit : layout_.volumeSize;
}

void VolumeSink::Write(const u8* data, std::size_t length) {
    if (finished_) throw WriterError("internal: bytes written after the last volume was closed");
    while (length > 0) {
        if (!open_) {
            // A new volume only once there is a byte for it: no empty trailing volume.
            Begin(volumeIndex_ + 1);
            u8 placeholder[4] = {};
            store_.Write(placeholder, 4);
            volumeBytes_ = 4;
        }
        std::size_t room = length;
        if (layout_.volumeSize != 0) room = std::min<u64>(length, Limit() - volumeBytes_);
        else if (volumeBytes_ + length > LargestVolume)
            throw WriterError("the installer would be larger than 4 GiB; split it into volumes");
        store_.Write(data, room);
        volumeBytes_ += room;
        streamBytes_ += room;
        data += room;
        length -= room;
        if (layout_.volumeSize != 0 && volumeBytes_ == Limit()) End();
    }
}

void VolumeSink::Finish() {
    if (finished_) return;
    if (open_) End();
    finished_ = true;
}

void MemoryVolumeStore::BeginVolume(u32) { volumes.emplace_back(); }

void MemoryVolumeStore::Write(const u8* data, std::size_t length) {
    volumes.back().insert(volumes.back().end(), data, data + length);
}

void MemoryVolumeStore::EndVolume(u64 fieldOffset, u32 value) { StoreU32(volumes.back().data() + fieldOffset, value); }

FileVolumeStore::FileVolumeStore(std::string outputPath) : outputPath_(std::move(outputPath)) {}

FileVolumeStore::~FileVolumeStore() {
    if (file_) std::fclose(file_);
    if (!committed_)
        for (const std::string& temp : tempPaths_) ::unlink(temp.c_str());
}

void FileVolumeStore::Fail(const std::string& what) const {
    throw WriterError("cannot " + what + " '" + (tempPaths_.empty() ? outputPath_ : finalPaths_.back()) +
                      "': " + std::strerror(errno));
}

void FileVolumeStore::BeginVolume(u32 index) {
    std::string final = index == 0 ? outputPath_ : VolumeFileName(outputPath_, index);
    finalPaths_.push_back(final);
    tempPaths_.push_back(final + ".partial-" + std::to_string(::getpid()));
    file_ = std::fopen(tempPaths_.back().c_str(), "wb+");
    if (!file_) Fail("create");
}

void FileVolumeStore::Write(const u8* data, std::size_t length) {
    if (std::fwrite(data, 1, length, file_) != length) Fail("write");
}

void FileVolumeStore::EndVolume(u64 fieldOffset, u32 value) {
    u8 field[4];
    StoreU32(field, value);
    if (std::fseek(file_, static_cast<long>(fieldOffset), SEEK_SET) != 0 || std::fwrite(field, 1, 4, file_) != 4)
        Fail("write");
    int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) Fail("write");
}

void FileVolumeStore::Commit() {
    if (file_) throw WriterError("internal: commit with a volume still open");
    for (std::size_t i = 0; i < tempPaths_.size(); ++i)
        if (std::rename(tempPaths_[i].c_str(), finalPaths_[i].c_str()) != 0)
            throw WriterError("cannot rename '" + tempPaths_[i] + "' to '" + finalPaths_[i] + "': " +
                              std::strerror(errno));
    committed_ = true;
}
