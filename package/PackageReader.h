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
    ~PackageReader() { delete[] window_; }

    // Opens the next volume and checks its ExpectedSize; false when it cannot be had.
    bool OpenNextVolume();
    void CloseVolume();
    // Reads n bytes, switching volumes as needed: n, or -1 when a read failed and was
    // given up, or the next volume could not be had.
    int ReadPackageBytes(void* buffer, u32 n);
    // Reading ahead: a window of up to `capacity` bytes (0: none) that holds bytes of the
    // open volume from the next one on, read in large pieces. Ordinary reads take what it
    // holds and give exactly what they would give without it; the reads that fill it never
    // ask anyone, so a prompt can only come from an ordinary read, in its ordinary place.
    void KeepWindow(u32 capacity);
    // The n bytes at offset (at or after VolumeOffset()) of the open volume, read quietly
    // into the window when they are not there: null when they lie (partly) beyond the
    // volume or half the window's capacity beyond the next byte, the stream has failed, or
    // a read fails. Valid until the next read of any kind; nothing is consumed.
    const u8* Ahead(u32 offset, u32 n);
    // Consumes n bytes that Ahead has given from VolumeOffset() on, as reading them would.
    void PassOver(u32 n) { position_ += n; }
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
    void EmptyWindow() { windowStart_ = windowEnd_ = 0; }
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
    // The window holds the bytes [windowStart_, windowEnd_) of the open volume; the file
    // stands at the later of windowEnd_ and position_.
    u8* window_ = nullptr;
    u32 windowCapacity_ = 0;
    u32 windowStart_ = 0;
    u32 windowEnd_ = 0;
    char path_[PathCapacity] = {};
    char string_[CountedStringCapacity] = {};
};
