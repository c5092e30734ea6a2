#include "packwright/examine/Extract.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "packwright/examine/ExamineError.h"
#include "packwright/examine/ExtractPaths.h"
#include "packwright/examine/InstallerSession.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/PackageWalk.h"
#include "packwright/text/TextRendering.h"

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

// A folder that cannot be read counts as holding something: the refusal below then looks
// at each file's own path, which it may still reach.
bool IsEmptyFolder(const fs::path& folder) {
    std::error_code ec;
    return fs::is_empty(folder, ec) && !ec;
}

// The names of the files the installer holds, read without decoding a block.
std::vector<std::string> StoredNames(const std::string& installerPath) {
    std::vector<std::string> names;
    InstallerSession session(installerPath);
    ExaminedPackage scratch;
    WalkPackage(session, scratch, [&](WalkEvent&& e) {
        if (e.kind == WalkEvent::Kind::FileBegin) names.push_back(e.file.name);
        return e.kind != WalkEvent::Kind::Fatal && e.kind != WalkEvent::Kind::FilesEnd;
    });
    return names;
}

// Refuses before anything is written, naming every file that is in the way.
void RefuseExisting(const std::string& installerPath, const fs::path& root) {
    std::vector<std::string> existing;
    for (const std::string& name : StoredNames(installerPath)) {
        fs::path target;
        try {
            target = root / ExtractRelativePath(name);
        } catch (const ExamineError&) {
            continue;  // refused later, with its reason
        }
        // A path whose state cannot be had is not known to be free: it stops the extraction.
        std::error_code ec;
        fs::file_status status = fs::symlink_status(target, ec);
        if (status.type() == fs::file_type::none)
            throw ExamineError("cannot tell whether '" + target.string() + "' exists: " + ec.message() +
                               "; nothing was written");
        if (fs::exists(status)) existing.push_back(target.string());
    }
    if (existing.empty()) return;
    std::string list;
    for (std::size_t i = 0; i < existing.size() && i < 10; ++i) list += "\n  " + existing[i];
    if (existing.size() > 10) list += "\n  ... and " + std::to_string(existing.size() - 10) + " more";
    throw ExamineError("refusing to overwrite " + std::to_string(existing.size()) + " existing file" +
                       (existing.size() == 1 ? "" : "s") + " (--force replaces them); nothing was written:" + list);
}
}  // namespace

ExtractSummary ExtractPackage(const std::string& installerPath, const std::string& destination,
                              const ExtractOptions& options) {
    // An installer that cannot be opened leaves no destination folder behind.
    FindPackageOffset(installerPath);
    fs::path root = destination;
    std::error_code ec;
    fs::create_directories(root, ec);
    if (!fs::is_directory(root)) throw ExamineError("cannot create the destination folder '" + destination + "'");
    if (!options.force && !IsEmptyFolder(root)) RefuseExisting(installerPath, root);

    ExtractSummary summary;
    PartialFile partial;
    bool skipping = false;  // the current file is not being written
    std::set<fs::path> written;
    ExamineCallbacks callbacks;
    callbacks.progress = options.progress;
    callbacks.beginFile = [&](const ExaminedFile& file, std::size_t index) {
        skipping = false;
        try {
            partial.target = PrepareTarget(root, ExtractRelativePath(file.name));
        } catch (const ExamineError& e) {
            if (!options.keepGoing) throw;
            summary.notWritten.push_back(DescribeFile(index, file.name) + ": " + e.what());
            skipping = true;
            return;
        }
        if (written.count(partial.target)) {
            summary.notWritten.push_back(DescribeFile(index, file.name) + ": an earlier file of this installer was " +
                                         "written to '" + partial.target.string() + "' already");
            skipping = true;
            return;
        }
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
        if (skipping) return;
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
    callbacks.endFile = [&](const ExaminedFile& file, std::size_t index) {
        if (skipping) return;
        if (!file.intact) {
            partial.Discard();
            summary.notWritten.push_back(DescribeFile(index, file.name) + ": it is damaged or cut short");
            return;
        }
        u32 ticks = 0;
        struct timespec times[2];
        times[0].tv_sec = 0;
        times[0].tv_nsec = UTIME_NOW;
        times[1].tv_sec = static_cast<time_t>(FileTimeToUnix(file.time, &ticks));
        times[1].tv_nsec = static_cast<long>(ticks) * 100;
        // Some file systems cannot hold every FILETIME (1601 is far before what many store):
        // the contents matter more than the time, so that is only a warning.
        if (::futimens(partial.fd, times) != 0)
            summary.warnings.push_back("cannot give '" + partial.target.string() + "' its time " +
                                       FormatFileTime(file.time) + " UTC: " + std::strerror(errno));
        int closed = ::close(partial.fd);
        partial.fd = -1;
        if (closed != 0) FailOn(partial.temp, "write");
        if (::rename(partial.temp.c_str(), partial.target.c_str()) != 0) FailOn(partial.target, "create");
        partial.temp.clear();
        written.insert(partial.target);
        ++summary.files;
        summary.bytes += file.decodedSize;
    };
    ExaminePackageInto(installerPath, summary.package, callbacks, {options.jobs, options.keepGoing});
    if (summary.package.headerRead && summary.package.runMode != RunMode::Install)
        throw ExamineError("'" + installerPath + "' is " + (summary.package.runMode == RunMode::Uninstall ? "an " : "a ") +
                           RunModeName(summary.package.runMode) + " (a companion program); it carries no files to extract");
    return summary;
}
