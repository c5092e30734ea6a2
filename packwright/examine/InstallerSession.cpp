#include "packwright/examine/InstallerSession.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "package/Locator.h"
#include "package/VolumeNames.h"
#include "packwright/writer/VolumeWriter.h"

namespace {
std::string Quoted(const std::string& path) { return "'" + path + "'"; }

std::string VolumeLabel(u32 index, const std::string& path) {
    return "volume " + std::to_string(index) + " " + Quoted(path);
}
}  // namespace

u32 FindPackageOffset(const std::string& path) {
    HostFile file;
    if (!file.Open(path)) {
        if (errno == EISDIR) throw ExamineError(Quoted(path) + " is not a regular file");
        throw ExamineError("cannot open " + Quoted(path) + ": " + std::strerror(errno));
    }
    // Chunks overlap, so that a locator across a chunk border is found whole.
    std::vector<u8> buffer(1 << 20);
    std::size_t kept = 0;
    for (;;) {
        u32 got = 0;
        if (!file.Read(buffer.data() + kept, static_cast<u32>(buffer.size() - kept), &got))
            throw ExamineError("cannot read " + Quoted(path));
        std::size_t have = kept + got;
        std::size_t at = FindLocator(buffer.data(), have);
        if (at < have) {
            if (have - at >= LocatorLength) return LoadU32(buffer.data() + at + LocatorMarkerLength);
            if (got == 0) throw ExamineError(Quoted(path) + " ends inside its package locator");
            kept = have - at;  // the marker, to be completed by the next chunk
        } else {
            if (got == 0) break;
            kept = std::min<std::size_t>(have, LocatorMarkerLength - 1);  // a marker may begin here
        }
        std::memmove(buffer.data(), buffer.data() + have - kept, kept);
    }
    throw ExamineError(Quoted(path) + " is not a Packwright installer: no package locator found");
}

bool InstallerSession::DiskVolumes::ExecutablePath(char* out, u32 capacity) {
    if (path.size() >= capacity) return false;
    std::memcpy(out, path.c_str(), path.size() + 1);
    return true;
}

u32 InstallerSession::DiskVolumes::Size() {
    if (pretendSize) {
        u32 size = *pretendSize;
        pretendSize.reset();
        return size;
    }
    u64 size = file.Size();
    // Larger files cannot hold a valid volume; report a size no ExpectedSize can match.
    return size > 0xFFFFFFFEull ? 0xFFFFFFFFu : static_cast<u32>(size);
}

bool InstallerSession::ErrorPrompts::Ask(const VolumeProblem& p) {
    if (!error.empty()) return false;
    std::string volume = VolumeLabel(p.volumeIndex, p.path);
    switch (p.prompt) {
        case PackagePrompt::NextDisk:
            if (shortVolume && *shortVolume + 1 == p.volumeIndex)
                error = "the package ends early: " + VolumeLabel(*shortVolume, *shortVolume == 0 ? volumes->path : VolumeFileName(volumes->path, *shortVolume)) +
                        " ends " + std::to_string(shortBy) + " bytes before the size its field records";
            else
                error = "volume " + std::to_string(p.volumeIndex) + " is missing: looked for " + Quoted(p.path);
            return false;
        case PackagePrompt::Damaged:
            if (!p.sizeFieldRead) {
                error = volume + " is damaged or incomplete: it is " + std::to_string(p.actualSize) +
                        " bytes long and ends before its size field at offset " + std::to_string(p.offset);
                return false;
            }
            // What the volume holds can still be read: note the difference and go on.
            notices.push_back({volume + " is damaged or incomplete: its size field at offset " + std::to_string(p.offset) +
                                   " records " + std::to_string(p.expectedSize) + " bytes but the file is " +
                                   std::to_string(p.actualSize) + " bytes long",
                               StreamPosition{p.volumeIndex, p.offset}});
            if (p.actualSize < p.expectedSize) {
                shortVolume = p.volumeIndex;
                shortBy = p.expectedSize - p.actualSize;
            }
            volumes->pretendSize = p.expectedSize;
            return true;
        case PackagePrompt::ReadError:
            error = "read error in " + volume + " at offset " + std::to_string(p.offset);
            return false;
    }
    return false;
}

void InstallerSession::ErrorPrompts::SwitchFailed() {
    if (error.empty()) error = "the package ends early: a further volume could not be opened";
}

void InstallerSession::ErrorPrompts::StreamEnded() {
    if (error.empty()) error = "the package ends early: a companion program's package has no further volumes";
}

InstallerSession::InstallerSession(const std::string& path) {
    prompts_.volumes = &volumes_;
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) throw ExamineError("cannot resolve " + Quoted(path) + ": " + ec.message());
    volumes_.path = absolute.lexically_normal().string();
    volumes_.offset = FindPackageOffset(volumes_.path);
    if (volumes_.offset == 0) throw ExamineError(Quoted(path) + " carries no package (its package offset is 0)");
    // The Stub's path buffers hold 255 characters, and volume names must fit them too.
    if (volumes_.path.size() + 4 >= PathCapacity)
        throw ExamineError("the path " + Quoted(volumes_.path) + " is too long for the package reader (" +
                           std::to_string(PathCapacity - 5) + " characters at most); move the installer");
    if (!reader_.OpenNextVolume())
        throw ExamineError(prompts_.error.empty() ? "cannot open the package in " + Quoted(volumes_.path)
                                                  : prompts_.error);
}

StreamPosition InstallerSession::Position() const { return {reader_.CurrentVolume(), reader_.VolumeOffset()}; }

std::string InstallerSession::VolumePath(u32 volume) const {
    return volume == 0 ? volumes_.path : VolumeFileName(volumes_.path, volume);
}

std::string InstallerSession::Describe(StreamPosition at) const {
    return VolumeLabel(at.volume, VolumePath(at.volume)) + ", offset " + std::to_string(at.offset);
}

std::vector<Problem> InstallerSession::TakeNotices() {
    std::vector<Problem> notices;
    notices.swap(prompts_.notices);
    return notices;
}

void InstallerSession::ThrowIfFailed(const std::string& context, StreamPosition at) const {
    if (prompts_.error.empty()) return;
    std::string message = context.empty() ? prompts_.error : context + ": " + prompts_.error;
    throw PackageReadError(message + " (reading from " + Describe(at) + ")", at);
}

void InstallerSession::ReadBytes(void* buffer, u32 n, const std::string& context) {
    StreamPosition at = Position();
    int got = reader_.ReadPackageBytes(buffer, n);
    ThrowIfFailed(context, at);
    if (got != static_cast<int>(n))
        throw PackageReadError(context + ": the package cannot be read (" + Describe(at) + ")", at);
}

std::string InstallerSession::ReadCountedString(const std::string& context) {
    u8 length = 0;
    ReadBytes(&length, 1, context);
    std::string text(length, '\0');
    if (length) ReadBytes(text.data(), length, context);
    return text;
}

u64 InstallerSession::BytesLeftInVolume() const {
    u64 size = std::min<u64>(volumes_.file.Size(), reader_.VolumeEnd());
    return size > reader_.VolumeOffset() ? size - reader_.VolumeOffset() : 0;
}

bool InstallerSession::OnlyTableAlignmentLeft() {
    u64 left = BytesLeftInVolume();
    u32 table = reader_.VolumeEnd();
    if (left == 0 || left >= 8 || table >= volumes_.file.Size() || table % 8 != 0) return false;
    u8 bytes[8] = {};
    u32 got = 0;
    u32 at = reader_.VolumeOffset();
    bool read = volumes_.file.Seek(at) && volumes_.file.Read(bytes, static_cast<u32>(left), &got) && got == left;
    volumes_.file.Seek(at);
    for (u32 i = 0; read && i < left; ++i)
        if (bytes[i] != 0) return false;
    return read;
}
