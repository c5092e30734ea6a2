// The Package as one sequential byte stream: found through the locator in the executable,
// continued across volume files, with a decision asked for when a volume is missing or
// damaged or a read fails. Every reader of the Package goes through one of these, strictly
// in stream order.
#pragma once
#include "package/PackagePrompts.h"
#include "package/VolumeSource.h"
#include "state/Types.h"

constexpr u32 CountedStringCapacity = 256;  // 255 characters and the NUL

class PackageReader {
public:
    PackageReader(VolumeSource& source, PromptHandler& prompts) : source_(source), prompts_(prompts) {}
    PackageReader(const PackageReader&) = delete;
    PackageReader& operator=(const PackageReader&) = delete;

    // Opens the next volume and checks its ExpectedSize; false when it cannot be had.
    bool OpenNextVolume();
    void CloseVolume();
    // Reads n bytes, switching volumes as needed: n, or -1 when a read failed and was
    // given up, or the next volume could not be had.
    int ReadPackageBytes(void* buffer, u32 n);
    // Reads n bytes only if the open volume holds them all, and never asks anyone: true when
    // they were read; false, with nothing consumed, when they lie (partly) beyond the
    // volume, the stream has failed, or the read fails. Reading ahead with it shows the
    // user nothing; a later ordinary read meets any problem where it always would.
    bool ReadQuietly(void* buffer, u32 n);
    // Back to an earlier VolumeOffset of the open volume, to read again from there.
    void RewindTo(u32 offset);
    // A CountedString, NUL-terminated; valid until the next call. "" when a read failed.
    const char* ReadCountedString();
    // A CountedString as stored, 0 bytes included: its length, or -1 when a read failed.
    int ReadCountedBytes(u8* out);
    // The open volume is the Package's last: reading past its end ends the stream instead
    // of asking for another volume.
    void SetLastVolume() { lastVolume_ = true; }
    // Offset of the Package inside the first volume: the size of the Stub.
    u32 PackageOffset() { return source_.PackageOffset(); }

    // Number of volumes opened successfully so far.
    u32 VolumeIndex() const { return volumeIndex_; }
    // The volume being read (or opened), its path and the position of the next byte in it.
    u32 CurrentVolume() const { return currentVolume_; }
    const char* VolumePath() const { return path_; }
    u32 VolumeOffset() const { return position_; }
    // Where the open volume's Package bytes end: its size, or where the first volume's
    // certificate table begins when it is signed.
    u32 VolumeEnd() const { return volumeEnd_; }
    // The next volume could not be had in the middle of a read: the stream has ended for
    // good, and every later read fails at once.
    bool Failed() const { return failed_; }

private:
    int ReadFromVolume(u8* buffer, u32 n);
    bool AskAbout(PackagePrompt prompt, u32 offset, bool sizeFieldRead = false, u32 expected = 0, u32 actual = 0);

    VolumeSource& source_;
    PromptHandler& prompts_;
    bool open_ = false;
    bool failed_ = false;
    bool lastVolume_ = false;
    u32 volumeIndex_ = 0;
    u32 currentVolume_ = 0;
    u32 volumeStartOffset_ = 0;
    u32 position_ = 0;
    u32 volumeSize_ = 0;  // where reading the open volume must stop, as far as known
    u32 volumeEnd_ = 0xFFFFFFFF;
    char path_[PathCapacity] = {};
    char string_[CountedStringCapacity] = {};
};
