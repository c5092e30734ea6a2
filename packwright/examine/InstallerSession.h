// Opens an existing installer for reading through the Stub's own package code on the host
// platform: the file becomes the "running executable", its PackageOffset is found through
// the locator marker, and the reader's prompts become errors instead of questions.
#pragma once
#include <cstdint>
#include <string>

#include "packwright/examine/ExamineError.h"
#include "state/Types.h"

// Finds the locator in the file: the u32 after the first "WHERETOSTARTSTRING:".
// Throws ExamineError when the file cannot be read or has no locator.
u32 FindPackageOffset(const std::string& path);

// While a session exists the package reader, SetupState and the host platform belong to
// it; only one session can exist at a time. Every prompt is answered Cancel and its
// meaning kept as the session's error; a process exit becomes an ExamineError.
class InstallerSession {
public:
    // Opens volume 0 (checking its ExpectedSize). Throws ExamineError.
    explicit InstallerSession(const std::string& path);
    ~InstallerSession();
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;

    // Throws the error a prompt left behind, if any; `context` says what was being read.
    void ThrowIfFailed(const std::string& context) const;
    bool HasFailed() const;
    const std::string& ModulePath() const { return modulePath_; }
    u32 PackageOffsetValue() const { return offset_; }

private:
    std::string modulePath_;
    u32 offset_ = 0;
};

// Runs a read of the package reader; an ExamineError it raises (a volume switch that
// failed) gets `context` in front.
template <typename Read>
auto WithContext(const std::string& context, Read read) {
    try {
        return read();
    } catch (const ExamineError& e) {
        throw ExamineError(context + ": " + e.what());
    }
}

// Reads exactly n bytes of the Package stream; throws on any failure.
void ReadStreamBytes(const InstallerSession& session, void* buffer, u32 n, const std::string& context);
// A raw CountedString: the bytes as stored, 0 bytes included.
std::string ReadRawCountedString(const InstallerSession& session, const std::string& context);
