#include "packwright/examine/Extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "packwright/examine/Escape.h"
#include "packwright/examine/ExtractPaths.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/PackageExaminer.h"

namespace fs = std::filesystem;

namespace {
// The file being written: removed again unless it was completed.
struct PartialFile {
    int fd = -1;
    fs::path temp;
    fs::path target;

    void Discard() {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (!temp.empty()) ::unlink(temp.c_str());
        temp.clear();
    }
    ~PartialFile() { Discard(); }
};

[[noreturn]] void FailOn(const fs::path& path, const char* what) {
    throw ExamineError(std::string("cannot ") + what + " '" + path.string() + "': " + std::strerror(errno));
}
}  // namespace

ExtractSummary ExtractPackage(const std::string& installerPath, const std::string& destination,
                              const std::function<void(u64, u64)>& progress) {
    fs::path root = destination;
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root)) throw ExamineError("cannot create the destination folder '" + destination + "'");

    ExtractSummary summary;
    PartialFile partial;
    InspectCallbacks callbacks;
    callbacks.progress = progress;
    callbacks.beginFile = [&](const InspectedFile& file, std::size_t) {
        partial.target = PrepareTarget(root, ExtractRelativePath(file.name));
        std::string tempName = ".";
        tempName.append(partial.target.filename().string()).append(".partial-").append(std::to_string(::getpid()));
        partial.temp = partial.target.parent_path() / tempName;
        partial.fd = ::open(partial.temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (partial.fd < 0) {
            fs::path failed = partial.temp;
            partial.temp.clear();  // not ours to remove
            FailOn(failed, "create");
        }
    };
    callbacks.fileData = [&](const u8* data, u32 length) {
        while (length > 0) {
            ssize_t n = ::write(partial.fd, data, length);
            if (n < 0) {
                if (errno == EINTR) continue;
                FailOn(partial.temp, "write");
            }
            data += n;
            length -= static_cast<u32>(n);
        }
    };
    callbacks.endFile = [&](const InspectedFile& file, std::size_t) {
        u32 ticks = 0;
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_NOW;
        times[1].tv_sec = static_cast<time_t>(FileTimeToUnix(file.time, &ticks));
        times[1].tv_nsec = static_cast<long>(ticks) * 100;
        // Some file systems cannot hold every FILETIME (1601 is far before what many store):
        // the contents matter more than the time, so that is only a warning.
        if (::futimens(partial.fd, times) != 0)
            summary.problems.push_back("cannot give '" + partial.target.string() + "' its time " +
                                       FormatFileTime(file.time) + " UTC: " + std::strerror(errno));
        int closed = ::close(partial.fd);
        partial.fd = -1;
        if (closed != 0) FailOn(partial.temp, "write");
        if (::rename(partial.temp.c_str(), partial.target.c_str()) != 0) FailOn(partial.target, "create");
        partial.temp.clear();
        ++summary.files;
        summary.bytes += file.decodedSize;
    };
    InspectedPackage package = InspectPackage(installerPath, callbacks);
    if (package.runMode != RunMode::Install)
        throw ExamineError("'" + installerPath + "' is a " + RunModeName(package.runMode) +
                           " companion program; it carries no files to extract");
    summary.problems = package.problems;
    return summary;
}
