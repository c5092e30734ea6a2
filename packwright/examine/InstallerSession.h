// An existing installer opened for reading with the package reader the Stub uses: the
// installer's file is volume 0, its PackageOffset comes from its locator, further volumes
// are found beside it, and every moment the Stub would ask its user becomes an error that
// says exactly what is wrong. Any number of sessions can be open at once.
#pragma once
#include <string>

#include "package/PackageReader.h"
#include "packwright/examine/ExamineError.h"
#include "platform/host/HostFile.h"
#include "state/Types.h"

// Finds the locator in the file: the u32 after the first marker. Throws ExamineError when
// the file cannot be read or has no locator.
u32 FindPackageOffset(const std::string& path);

class InstallerSession {
public:
    // Opens volume 0 (checking its ExpectedSize). Throws ExamineError.
    explicit InstallerSession(const std::string& path);
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;

    PackageReader& Reader() { return reader_; }
    const std::string& ModulePath() const { return volumes_.path; }
    u32 PackageOffsetValue() const { return volumes_.offset; }
    u32 VolumesRead() const { return reader_.VolumeIndex(); }

    // Where the next byte comes from: "volume 1 'setup.001' at offset 1234".
    std::string Position() const;
    // Throws the error a failed read left behind, if any; `context` says what was being read.
    void ThrowIfFailed(const std::string& context) const;

    // Reads exactly n bytes of the Package stream; throws on any failure.
    void ReadBytes(void* buffer, u32 n, const std::string& context);
    // A raw CountedString: the bytes as stored, 0 bytes included.
    std::string ReadCountedString(const std::string& context);

private:
    struct DiskVolumes : VolumeSource {
        std::string path;
        u32 offset = 0;
        HostFile file;
        bool ExecutablePath(char* out, u32 capacity) override;
        u32 PackageOffset() override { return offset; }
        bool Open(const char* volumePath) override { return file.Open(volumePath); }
        void Seek(u32 at) override { file.Seek(at); }
        bool Read(void* buffer, u32 count, u32* got) override { return file.Read(buffer, count, got); }
        u32 Size() override;
        void Close() override { file.Close(); }
    };
    // Records the first problem as an error message and gives up.
    struct ErrorPrompts : PromptHandler {
        std::string error;
        bool Ask(const VolumeProblem& problem) override;
        void ReadGivenUp() override {}
        void SwitchFailed() override;
    };

    DiskVolumes volumes_;
    ErrorPrompts prompts_;
    PackageReader reader_{volumes_, prompts_};
};
