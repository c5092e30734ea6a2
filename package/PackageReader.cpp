#include "package/PackageReader.h"

#include <cstring>

#include "package/PeSecurity.h"
#include "package/VolumeNames.h"

bool PackageReader::AskAbout(PackagePrompt prompt, u32 offset, bool sizeFieldRead, u32 expected, u32 actual) {
    VolumeProblem problem = {prompt, currentVolume_, path_, offset, sizeFieldRead, expected, actual};
    return prompts_.Ask(problem);
}

void PackageReader::CloseVolume() {
    if (open_) source_.Close();
    open_ = false;
    EmptyWindow();
}

// Reads from the open volume only, asking again on read errors: the count (possibly short
// at the volume's end) or -1 when the read was given up. What the window holds comes from
// there; a read given up leaves the position where it was, as it would without the window.
int PackageReader::ReadFromVolume(u8* buffer, u32 n) {
    u32 left = position_ < volumeEnd_ ? volumeEnd_ - position_ : 0;
    if (n > left) n = left;
    u32 start = position_;
    u32 taken = 0;
    if (window_ && volumeSize_ > position_) {
        u32 rest = volumeSize_ - position_;
        Ahead(position_, n < rest ? n : rest);
        if (position_ < windowEnd_) {
            taken = windowEnd_ - position_;
            if (taken > n) taken = n;
            std::memcpy(buffer, window_ + (position_ - windowStart_), taken);
            position_ += taken;
            if (taken == n) return static_cast<int>(n);
        }
    }
    for (;;) {
        u32 got = 0;
        if (source_.Read(buffer + taken, n - taken, &got)) {
            position_ += got;
            return static_cast<int>(taken + got);
        }
        if (!AskAbout(PackagePrompt::ReadError, position_)) {
            position_ = start;
            prompts_.ReadGivenUp();
            return -1;
        }
    }
}

void PackageReader::KeepWindow(u32 capacity) {
    if (window_ && windowEnd_ > position_) source_.Seek(position_);
    delete[] window_;
    window_ = capacity ? new u8[capacity] : nullptr;
    windowCapacity_ = capacity;
    EmptyWindow();
}

const u8* PackageReader::Ahead(u32 offset, u32 n) {
    u32 reach = windowCapacity_ / 2;
    if (!window_ || failed_ || !open_ || offset < position_ || offset - position_ > reach || n > reach - (offset - position_) ||
        offset > volumeSize_ || n > volumeSize_ - offset)
        return nullptr;
    u32 end = offset + n;
    if (windowEnd_ <= position_) windowStart_ = windowEnd_ = position_;  // nothing held is still wanted
    if (end > windowEnd_) {
        // Room at the window's end for the bytes still wanted, at the cost of moving down
        // what is held from the next byte on: with the reach at half the capacity, every
        // byte is moved at most once on average.
        if (end - windowStart_ > windowCapacity_) {
            std::memmove(window_, window_ + (position_ - windowStart_), windowEnd_ - position_);
            windowStart_ = position_;
        }
        u32 room = windowStart_ + windowCapacity_ - windowEnd_;
        u32 left = volumeSize_ - windowEnd_;
        u32 want = room < left ? room : left;
        u32 got = 0;
        if (!source_.Read(window_ + (windowEnd_ - windowStart_), want, &got)) {
            source_.Seek(windowEnd_);  // a failed read may have moved the file on
            return nullptr;
        }
        windowEnd_ += got;
        if (end > windowEnd_) return nullptr;
    }
    return window_ + (offset - windowStart_);
}
bool PackageReader::OpenNextVolume() {
    char executable[PathCapacity];
    if (!source_.ExecutablePath(executable, sizeof executable)) return false;
    currentVolume_ = volumeIndex_;
    if (volumeIndex_ != 0) {
        CloseVolume();
        if (!::VolumePath(executable, volumeIndex_, path_, sizeof path_)) return false;
        volumeStartOffset_ = 0;
    } else {
        std::memcpy(path_, executable, sizeof path_);
        volumeStartOffset_ = source_.PackageOffset();
        if (volumeStartOffset_ == 0) return false;
    }
    for (;;) {
        if (!source_.Open(path_)) {
            if (!AskAbout(PackagePrompt::NextDisk, 0)) return false;
            continue;
        }
        open_ = true;
        // A signed first volume ends where its certificate table begins: the signature is
        // not Package, and reading it as such would corrupt the stream that goes on in the
        // next volume. The table's own size is part of the file's, so ExpectedSize still
        // counts it.
        u32 actual = source_.Size();
        volumeEnd_ = 0xFFFFFFFF;
        if (currentVolume_ == 0) {
            u32 table = CertificateTableStart(source_);
            if (table) volumeEnd_ = table;
        }
        position_ = volumeStartOffset_;
        volumeSize_ = 0;  // no reading ahead before the size is known
        EmptyWindow();
        if (volumeStartOffset_) source_.Seek(volumeStartOffset_);
        // The size field is read from this volume alone: a volume too short to hold it is
        // damaged, and reading on into the next one would only reopen this one again.
        u8 field[4];
        bool fieldRead = ReadFromVolume(field, 4) == 4;
        u32 expected = fieldRead ? LoadU32(field) : 0;
        if (fieldRead && (expected == 0 || expected == actual)) {
            ++volumeIndex_;
            volumeSize_ = actual < volumeEnd_ ? actual : volumeEnd_;
            return true;
        }
        bool retry = AskAbout(PackagePrompt::Damaged, volumeStartOffset_, fieldRead, expected, actual);
        CloseVolume();
        if (!retry) return false;
    }
}

int PackageReader::ReadPackageBytes(void* buffer, u32 n) {
    if (failed_) return -1;
    u8* out = static_cast<u8*>(buffer);
    u32 total = 0;
    while (total < n) {
        int got = open_ ? ReadFromVolume(out + total, n - total) : 0;
        if (got < 0) return -1;
        total += static_cast<u32>(got);
        if (total == n) break;
        if (lastVolume_) {
            failed_ = true;
            prompts_.StreamEnded();
            return -1;
        }
        if (!OpenNextVolume()) {
            failed_ = true;
            prompts_.SwitchFailed();
            return -1;
        }
    }
    return static_cast<int>(total);
}

int PackageReader::ReadCountedBytes(u8* out) {
    u8 length;
    if (ReadPackageBytes(&length, 1) < 0) return -1;
    if (length && ReadPackageBytes(out, length) < 0) return -1;
    return length;
}

const char* PackageReader::ReadCountedString() {
    int length = ReadCountedBytes(reinterpret_cast<u8*>(string_));
    if (length < 0) return "";
    string_[length] = 0;
    return string_;
}
