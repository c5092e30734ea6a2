#include "packwright/writer/VolumeComparison.h"

#include <unistd.h>

#include <cstring>
#include <vector>

ComparingVolumeStore::ComparingVolumeStore(std::string installerPath, u64 stubSize)
    : installerPath_(std::move(installerPath)), stubSize_(stubSize) {}

ComparingVolumeStore::~ComparingVolumeStore() {
    if (file_) std::fclose(file_);
}

void ComparingVolumeStore::Differ(u64 offset, std::optional<u8> installer, std::optional<u8> rebuilt, const char* what) {
    result.identical = false;
    result.difference = {index_, index_ == 0 ? installerPath_ : VolumeFileName(installerPath_, index_), offset,
                         installer, rebuilt, what};
    throw ComparisonEnded{};
}

void ComparingVolumeStore::BeginVolume(u32 index) {
    index_ = index;
    position_ = 0;
    result.volumes = index + 1;
    std::string path = index == 0 ? installerPath_ : VolumeFileName(installerPath_, index);
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) Differ(0, std::nullopt, std::nullopt, "is missing");
}

void ComparingVolumeStore::Write(const u8* data, std::size_t length) {
    // The size field is written as a placeholder first and compared when it is known.
    u64 field = index_ == 0 ? stubSize_ : 0;
    std::vector<u8> theirs(length);
    std::size_t got = std::fread(theirs.data(), 1, length, file_);
    for (std::size_t i = 0; i < length; ++i) {
        u64 at = position_ + i;
        if (at >= field && at < field + 4) continue;
        if (i >= got) Differ(at, std::nullopt, data[i], "is shorter");
        if (theirs[i] != data[i]) Differ(at, theirs[i], data[i], "differs");
    }
    position_ += length;
    result.bytesCompared += length;
}

void ComparingVolumeStore::EndVolume(u64 fieldOffset, u32 value) {
    u8 extra;
    if (std::fread(&extra, 1, 1, file_) == 1) Differ(position_, extra, std::nullopt, "is longer");
    u8 theirs[4] = {}, ours[4];
    StoreU32(ours, value);
    std::size_t got = 0;
    if (std::fseek(file_, static_cast<long>(fieldOffset), SEEK_SET) == 0) got = std::fread(theirs, 1, 4, file_);
    for (u32 i = 0; i < 4; ++i)
        if (i >= got || theirs[i] != ours[i]) Differ(fieldOffset + i, i < got ? std::optional<u8>(theirs[i]) : std::nullopt, ours[i], "differs");
    std::fclose(file_);
    file_ = nullptr;
}

void ComparingVolumeStore::Finish() {
    std::string next = VolumeFileName(installerPath_, result.volumes);
    if (::access(next.c_str(), F_OK) == 0) result.extraVolume = next;
}
