// An existing installer opened for reading with the package reader the Stub uses: the
// installer's file is volume 0, its PackageOffset comes from its locator, further volumes
// are found beside it, and every moment the Stub would ask its user becomes a problem that
// says exactly what is wrong and where. A volume whose size differs from the one its field
// records is reported and read all the same, so that what it holds can still be shown.
// Any number of sessions can be open at once.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "package/PackageReader.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/ExaminedPackage.h"
#include "platform/host/HostFile.h"
#include "state/Types.h"

// A read of the Package stream that failed: a volume missing or unreadable, or the stream
// ended early. The message names what was being read and the volume and offset.
struct PackageReadError : ExamineError {
    PackageReadError(const std::string& message, StreamPosition at) : ExamineError(message), at(at) {}
    StreamPosition at;
};

// Finds the locator in the file: the u32 after the first marker. Throws ExamineError when
// the file cannot be read or has no locator.
u32 FindPackageOffset(const std::string& path);

class InstallerSession {
public:
    // Opens volume 0. Throws ExamineError when there is no package to read.
    explicit InstallerSession(const std::string& path);
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;

    PackageReader& Reader() { return reader_; }
    const std::string& ModulePath() const { return volumes_.path; }
    u32 PackageOffsetValue() const { return volumes_.offset; }
    u32 VolumesRead() const { return reader_.VolumeIndex(); }

    // Where the next byte comes from.
    StreamPosition Position() const;
    // "volume 1 'setup.001', offset 1234"
    std::string Describe(StreamPosition at) const;
    std::string VolumePath(u32 volume) const;
    // Problems with volumes that reading went past (a size that differs from its field),
    // each once.
    std::vector<Problem> TakeNotices();
    // Throws the PackageReadError a failed read left behind, if any; `context` says what
    // was being read.
    void ThrowIfFailed(const std::string& context, StreamPosition at) const;

    // Reads exactly n bytes of the Package stream; throws PackageReadError on any failure.
    void ReadBytes(void* buffer, u32 n, const std::string& context);
    // A raw CountedString: the bytes as stored, 0 bytes included.
    std::string ReadCountedString(const std::string& context);
    // Bytes left in the volume being read after the current position (up to a signed
    // volume's certificate table).
    u64 BytesLeftInVolume() const;
    // What is left before a signed volume's certificate table are the zero bytes (fewer than
    // 8) that align the table, which signing adds after the Package's last byte.
    bool OnlyTableAlignmentLeft();

private:
    struct DiskVolumes : VolumeSource {
        std::string path;
        u32 offset = 0;
        HostFile file;
        std::optional<u32> pretendSize;  // once: the size the volume's field records
        bool ExecutablePath(char* out, u32 capacity) override;
        u32 PackageOffset() override { return offset; }
        bool Open(const char* volumePath) override { return file.Open(volumePath); }
        void Seek(u32 at) override { file.Seek(at); }
        bool Read(void* buffer, u32 count, u32* got) override { return file.Read(buffer, count, got); }
        u32 Size() override;
        void Close() override { file.Close(); }
    };
    // Gives up on everything but a volume of an unexpected size, which it notes and reads on.
    struct ErrorPrompts : PromptHandler {
        DiskVolumes* volumes = nullptr;
        std::string error;
        std::vector<Problem> notices;
        std::optional<u32> shortVolume;  // a volume shorter than its field says
        u32 shortBy = 0;
        bool Ask(const VolumeProblem& problem) override;
        void ReadGivenUp() override {}
        void SwitchFailed() override;
        void StreamEnded() override;
    };

    DiskVolumes volumes_;
    ErrorPrompts prompts_;
    PackageReader reader_{volumes_, prompts_};
};
