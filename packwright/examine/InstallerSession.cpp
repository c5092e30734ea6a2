#include "packwright/examine/InstallerSession.h"

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "package/PackageReader.h"
#include "packwright/examine/ExamineError.h"
#include "shell/platform/Platform.h"
#include "shell/platform/host/HostPlatform.h"
#include "state/SetupState.h"

namespace {
constexpr char Marker[] = "WHERETOSTARTSTRING:";
constexpr std::size_t MarkerLength = sizeof Marker - 1;

bool g_sessionOpen = false;
std::string g_error;  // the first failure a prompt reported
std::string g_modulePath;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string VolumeName(u32 index) {
    char path[PathCapacity];
    std::string name = g_modulePath;
    if (index != 0) name = VolumePath(g_modulePath.c_str(), index, path) ? path : "(a path too long to open)";
    std::string quoted = "'";
    quoted.append(name).append("'");
    return quoted;
}

// What is wrong with a volume that failed its size check, found by looking at it directly.
std::string DescribeDamage(u32 index) {
    char path[PathCapacity];
    std::string name = g_modulePath;
    if (index != 0 && VolumePath(g_modulePath.c_str(), index, path)) name = path;
    u64 start = index == 0 ? PackageOffset() : 0;
    std::error_code ec;
    u64 size = std::filesystem::file_size(name, ec);
    std::string where = "volume " + std::to_string(index) + " " + VolumeName(index);
    if (ec) return where + " cannot be read";
    if (size < start + 4)
        return where + " is damaged or incomplete: it is " + std::to_string(size) +
               " bytes long and ends before its size field at offset " + std::to_string(start);
    File file(std::fopen(name.c_str(), "rb"));
    u8 field[4];
    if (!file || std::fseek(file.get(), static_cast<long>(start), SEEK_SET) != 0 ||
        std::fread(field, 1, 4, file.get()) != 4)
        return where + " cannot be read";
    return where + " is damaged or incomplete: it records a size of " + std::to_string(LoadU32(field)) +
           " bytes but is " + std::to_string(size) + " bytes long";
}

void Fail(const std::string& message) {
    if (g_error.empty()) g_error = message;
}

int AnswerPrompt(const ShownMessageBox& box) {
    u32 index = VolumeCount();  // the volume being opened or read
    if (box.caption == "Next disk, please...") {
        Fail("volume " + std::to_string(index) + " is missing: looked for " + VolumeName(index));
    } else if (box.caption == "File Damaged") {
        Fail(DescribeDamage(index));
    } else if (box.caption == "Critical Error!") {
        Fail("read error in volume " + std::to_string(index == 0 ? 0 : index - 1));
    } else {
        Fail("unexpected prompt: " + box.text);
    }
    return IdCancel;
}

void ResetAll() {
    ResetPackageReader();
    ResetSetupState();
    host::Reset();
}
}  // namespace

u32 FindPackageOffset(const std::string& path) {
    // Checked before opening: opening a pipe would wait for a writer that never comes.
    std::error_code ec;
    std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw ExamineError("'" + path + "' is not a regular file");
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) throw ExamineError("cannot open '" + path + "': " + std::strerror(errno));
    // Chunks overlap by the marker's length so a marker across a chunk border is found.
    std::vector<u8> buffer(1 << 20);
    std::size_t kept = 0;
    u64 consumed = 0;  // file offset of buffer[0]
    for (;;) {
        std::size_t got = std::fread(buffer.data() + kept, 1, buffer.size() - kept, file.get());
        if (got == 0) {
            if (std::ferror(file.get())) throw ExamineError("cannot read '" + path + "'");
            break;
        }
        std::size_t have = kept + got;
        const u8* begin = buffer.data();
        const u8* found = std::search(begin, begin + have, Marker, Marker + MarkerLength);
        if (found != begin + have) {
            u64 at = consumed + static_cast<u64>(found - begin) + MarkerLength;
            u8 field[4];
            if (std::fseek(file.get(), static_cast<long>(at), SEEK_SET) != 0 ||
                std::fread(field, 1, 4, file.get()) != 4)
                throw ExamineError("'" + path + "' ends inside its package locator");
            return LoadU32(field);
        }
        kept = std::min(have, MarkerLength - 1);
        std::memmove(buffer.data(), begin + have - kept, kept);
        consumed += have - kept;
    }
    throw ExamineError("'" + path + "' is not a Packwright installer: no package locator found");
}

InstallerSession::InstallerSession(const std::string& path) {
    if (g_sessionOpen) throw ExamineError("internal: only one installer can be read at a time");
    std::error_code ec;
    std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    if (ec) throw ExamineError("cannot resolve '" + path + "': " + ec.message());
    modulePath_ = absolute.lexically_normal().string();
    offset_ = FindPackageOffset(modulePath_);
    if (offset_ == 0) throw ExamineError("'" + path + "' carries no package (its package offset is 0)");
    // The Stub's path buffers hold 255 characters, and volume names must fit them too.
    if (modulePath_.size() + 4 >= PathCapacity)
        throw ExamineError("the path '" + modulePath_ + "' is too long for the package reader (" +
                           std::to_string(PathCapacity - 5) + " characters at most); move the installer");

    g_sessionOpen = true;
    ResetAll();
    g_error.clear();
    g_modulePath = modulePath_;
    host::SetModulePath(modulePath_);
    host::SetLocatorOffset(offset_);
    host::SetMessageBoxHandler(AnswerPrompt);
    host::SetExitHandler([](int) {
        throw ExamineError(g_error.empty() ? "the package ends early: a further volume could not be opened"
                                           : g_error);
    });
    if (!OpenNextVolume()) {
        std::string message = g_error.empty() ? "cannot open the package in '" + modulePath_ + "'" : g_error;
        ResetAll();
        g_sessionOpen = false;
        throw ExamineError(message);
    }
}

InstallerSession::~InstallerSession() {
    ResetAll();
    g_error.clear();
    g_sessionOpen = false;
}

bool InstallerSession::HasFailed() const { return !g_error.empty(); }

void InstallerSession::ThrowIfFailed(const std::string& context) const {
    if (g_error.empty()) return;
    throw ExamineError(context.empty() ? g_error : context + ": " + g_error);
}

void ReadStreamBytes(const InstallerSession& session, void* buffer, u32 n, const std::string& context) {
    int got = WithContext(context, [&] { return ReadPackageBytes(buffer, n); });
    session.ThrowIfFailed(context);
    if (got != static_cast<int>(n)) throw ExamineError(context + ": the package cannot be read");
}

std::string ReadRawCountedString(const InstallerSession& session, const std::string& context) {
    u8 length = 0;
    ReadStreamBytes(session, &length, 1, context);
    std::string text(length, '\0');
    if (length) ReadStreamBytes(session, text.data(), length, context);
    return text;
}
