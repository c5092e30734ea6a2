// Files for tests: real files under a root the test chooses (drive paths "C:\a\b" map to
// <root>/C/a/b, paths without a drive to <root>/current/...), with the Windows rules that
// matter to an installer kept on top: read-only files refuse writes and deletion, files "in
// use" refuse to be opened for writing, moved or deleted, and requests for the next restart
// are recorded instead of carried out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "platform/Files.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace fs = std::filesystem;

namespace {
std::recursive_mutex g_mutex;  // the worker thread writes files while a test reads the records
std::string g_driveRoot;
int g_failReads = 0;
std::set<std::string> g_readOnly;  // host paths
std::set<std::string> g_inUse;     // host paths
std::set<std::string> g_failWrites;  // host paths whose writes stop short
u64 g_writeBudget = ~0ull;           // bytes any file may still take: a full disk
std::map<std::string, std::array<u16, 4>> g_versions;
std::map<std::string, std::string> g_guardedFolders;  // path -> security descriptor
std::vector<fake::RestartMove> g_restartMoves;
std::vector<std::string> g_profileWrites;

int ToFd(FileHandle file) { return static_cast<int>(reinterpret_cast<std::intptr_t>(file)) - 1; }
FileHandle ToHandle(int fd) { return reinterpret_cast<FileHandle>(static_cast<std::intptr_t>(fd) + 1); }

bool IsDrivePath(const std::string& path) {
    return path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string Host(const char* path) { return fake::HostPath(path); }

// 100-ns units since 1601 and back.
constexpr long long UnixEpochTicks = 116444736000000000LL;
u64 ToFileTime(const struct timespec& t) {
    return static_cast<u64>(t.tv_sec * 10000000LL + t.tv_nsec / 100 + UnixEpochTicks);
}
struct timespec FromFileTime(u64 ticks) {
    long long unixTicks = static_cast<long long>(ticks) - UnixEpochTicks;
    struct timespec t;
    t.tv_sec = static_cast<time_t>(unixTicks / 10000000LL);
    t.tv_nsec = static_cast<long>((unixTicks % 10000000LL) * 100);
    if (t.tv_nsec < 0) {
        t.tv_nsec += 1000000000L;
        --t.tv_sec;
    }
    return t;
}

bool Blocked(const std::string& host) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_inUse.count(host) || g_readOnly.count(host);
}

// The 8.3 form of one component: itself when it already fits (upper-cased), otherwise its
// first six letters and "~1", and the first three letters of its extension.
std::string ShortComponent(const std::string& name) {
    std::string upper;
    for (char c : name) upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::size_t dot = upper.rfind('.');
    std::string base = dot == std::string::npos ? upper : upper.substr(0, dot);
    std::string ext = dot == std::string::npos ? "" : upper.substr(dot + 1);
    bool fits = base.size() <= 8 && ext.size() <= 3 && base.find('.') == std::string::npos &&
                upper.find(' ') == std::string::npos && !base.empty();
    if (fits) return upper;
    std::string squeezed;
    for (char c : base)
        if (c != ' ' && c != '.') squeezed += c;
    std::string shortExt;
    for (char c : ext)
        if (c != ' ' && shortExt.size() < 3) shortExt += c;
    return squeezed.substr(0, 6) + "~1" + (shortExt.empty() ? "" : "." + shortExt);
}
}  // namespace

namespace fake_state {
void ResetFiles() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_driveRoot.clear();
    g_failReads = 0;
    g_readOnly.clear();
    g_inUse.clear();
    g_failWrites.clear();
    g_writeBudget = ~0ull;
    g_versions.clear();
    g_guardedFolders.clear();
    g_restartMoves.clear();
    g_profileWrites.clear();
}
bool ConsumeReadFailure() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (g_failReads <= 0) return false;
    --g_failReads;
    return true;
}
}  // namespace fake_state

namespace fake {
void SetDriveRoot(const std::string& root) { g_driveRoot = root; }
void FailNextReads(int count) { g_failReads = count; }

std::string HostPath(const std::string& path) {
    if (g_driveRoot.empty() || path.empty() || path[0] == '/') return path;
    // A path without a drive is relative to the current folder, which lies under the root
    // too, so that no test writes beside the test program.
    bool relative = !IsDrivePath(path);
    std::string drive = relative ? std::string("current")
                                 : std::string(1, static_cast<char>(path[0] >= 'a' ? path[0] - 32 : path[0]));
    fs::create_directories(g_driveRoot + "/" + drive);
    std::string rest = relative ? "/" + path : path.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    std::string host = g_driveRoot + "/" + drive + rest;
    // Names match without regard to case, as on the system: an entry whose name differs only
    // in case stands for a file name that does not exist as written.
    std::error_code error;
    fs::path wanted(host);
    if (!fs::exists(wanted, error) && wanted.has_parent_path() && fs::is_directory(wanted.parent_path(), error)) {
        auto lower = [](std::string text) {
            for (char& c : text) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
            return text;
        };
        std::string name = lower(wanted.filename().string());
        for (const fs::directory_entry& entry : fs::directory_iterator(wanted.parent_path(), error))
            if (lower(entry.path().filename().string()) == name) return entry.path().string();
    }
    return host;
}

void SetReadOnly(const std::string& path, bool readOnly) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (readOnly) g_readOnly.insert(HostPath(path));
    else g_readOnly.erase(HostPath(path));
}
void SetInUse(const std::string& path, bool inUse) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (inUse) g_inUse.insert(HostPath(path));
    else g_inUse.erase(HostPath(path));
}
void FailWritesTo(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_failWrites.insert(HostPath(path));
}
void SetDiskSpace(u64 bytes) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_writeBudget = bytes;
}
std::optional<std::string> GuardedFolderDescriptor(const std::string& path) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_guardedFolders.find(path);
    if (it == g_guardedFolders.end()) return std::nullopt;
    return it->second;
}
void SetFileVersion(const std::string& path, u16 major, u16 minor, u16 build, u16 revision) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_versions[HostPath(path)] = {major, minor, build, revision};
}
std::vector<RestartMove> RestartMoves() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_restartMoves;
}
std::vector<std::string> ProfileWrites() {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_profileWrites;
}
}  // namespace fake

FileHandle PlatformOpenForRead(const char* path) {
    int fd = ::open(Host(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {  // a folder is not a volume
        ::close(fd);
        return nullptr;
    }
    return ToHandle(fd);
}

bool PlatformRead(FileHandle file, void* buffer, u32 count, u32* got) {
    *got = 0;
    if (fake_state::ConsumeReadFailure()) return false;
    u8* out = static_cast<u8*>(buffer);
    while (*got < count) {
        ssize_t n = ::read(ToFd(file), out + *got, count - *got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) break;
        *got += static_cast<u32>(n);
    }
    return true;
}

u32 PlatformFileSize(FileHandle file) {
    struct stat st;
    if (::fstat(ToFd(file), &st) != 0) return 0xFFFFFFFF;
    // Larger files cannot hold a valid volume; report a size no ExpectedSize can match.
    return st.st_size > 0xFFFFFFFELL ? 0xFFFFFFFF : static_cast<u32>(st.st_size);
}

void PlatformSeek(FileHandle file, u32 offset) { ::lseek(ToFd(file), offset, SEEK_SET); }

void PlatformClose(FileHandle file) {
    if (file) ::close(ToFd(file));
}

FileHandle PlatformCreateForWrite(const char* path) {
    std::string host = Host(path);
    if (Blocked(host)) return nullptr;
    struct stat st;
    if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
    int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return nullptr;
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        // A file that fails its writes is known by its descriptor from here on.
        if (g_failWrites.count(host)) g_failWrites.insert("fd:" + std::to_string(fd));
    }
    return ToHandle(fd);
}

bool PlatformWrite(FileHandle file, const void* bytes, u32 count, u32* written) {
    *written = 0;
    u32 allowed = count;
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        if (g_failWrites.count("fd:" + std::to_string(ToFd(file)))) return false;
        if (g_writeBudget < allowed) allowed = static_cast<u32>(g_writeBudget);
        g_writeBudget -= allowed;
    }
    const u8* in = static_cast<const u8*>(bytes);
    while (*written < allowed) {
        ssize_t n = ::write(ToFd(file), in + *written, allowed - *written);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        *written += static_cast<u32>(n);
    }
    return *written == count;
}

void PlatformSetLastWriteTime(FileHandle file, u64 fileTime) {
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1] = FromFileTime(fileTime);
    ::futimens(ToFd(file), times);
}

bool PlatformFindFile(const char* path, FoundFile* found) {
    std::string host = Host(path);
    struct stat st;
    if (::stat(host.c_str(), &st) != 0) return false;
    u32 attributes;
    PlatformFileAttributes(path, &attributes);
    found->attributes = attributes;
    found->lastWriteTime = ToFileTime(st.st_mtim);
    return true;
}

bool PlatformFileAttributes(const char* path, u32* attributes) {
    std::string host = Host(path);
    struct stat st;
    if (::stat(host.c_str(), &st) != 0) return false;
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    u32 value = S_ISDIR(st.st_mode) ? static_cast<u32>(FileAttributeDirectory) : 0u;
    if (g_readOnly.count(host)) value |= FileAttributeReadOnly;
    *attributes = value ? value : FileAttributeNormal;
    return true;
}

bool PlatformSetFileAttributes(const char* path, u32 attributes) {
    std::string host = Host(path);
    if (::access(host.c_str(), F_OK) != 0) return false;
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    if (attributes & FileAttributeReadOnly) g_readOnly.insert(host);
    else g_readOnly.erase(host);
    return true;
}

bool PlatformCreateDirectory(const char* path) { return ::mkdir(Host(path).c_str(), 0755) == 0; }
bool PlatformCreateGuardedDirectory(const char* path, const char* securityDescriptor) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    fake_state::RecordCall(std::string("guarded folder ") + path);
    std::string host = Host(path);
    // Without a drive root nothing is made on disk; the folders made so far still count.
    bool taken = host[0] == '/' ? ::mkdir(host.c_str(), 0700) != 0 : g_guardedFolders.count(path) != 0;
    if (taken) return false;
    g_guardedFolders[path] = securityDescriptor;
    return true;
}
bool PlatformRemoveDirectory(const char* path) { return ::rmdir(Host(path).c_str()) == 0; }

bool PlatformDeleteFile(const char* path) {
    std::string host = Host(path);
    struct stat st;
    if (Blocked(host) || ::stat(host.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(host.c_str()) == 0;
}

bool PlatformMoveFile(const char* from, const char* to) {
    std::string source = Host(from), target = Host(to);
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        if (g_inUse.count(source) || g_inUse.count(target)) return false;
    }
    if (::access(target.c_str(), F_OK) == 0) return false;
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool PlatformReplaceFile(const char* from, const char* to) {
    std::string source = Host(from), target = Host(to);
    if (Blocked(target)) return false;
    {
        std::lock_guard<std::recursive_mutex> lock(g_mutex);
        if (g_inUse.count(source)) return false;
    }
    return ::rename(source.c_str(), target.c_str()) == 0;
}

bool PlatformCopyFile(const char* from, const char* to) {
    fake_state::RecordCall(std::string("copy ") + from + " -> " + to);
    if (fake_state::CopiesFail() || std::strcmp(from, to) == 0) return false;
    // Only copies between real places are made; tests that watch the calls give none.
    std::string source = Host(from), target = Host(to);
    if (source[0] == '/' && target[0] == '/') {
        std::error_code ec;
        fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec);
        if (ec) return false;
    }
    return true;
}

namespace {
struct Search {
    std::vector<std::string> names;
    std::size_t next = 0;
};

bool Matches(const std::string& name, const std::string& pattern) {
    // "*" and "?" as the system takes them, without regard to case.
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    std::size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

void CopyName(const std::string& name, char* out, u32 capacity) {
    std::size_t n = std::min<std::size_t>(name.size(), capacity - 1);
    std::memcpy(out, name.data(), n);
    out[n] = 0;
}
}  // namespace

FileSearch PlatformFindFirstName(const char* pattern, char* name, u32 capacity) {
    std::string text = pattern;
    std::size_t slash = text.find_last_of('\\');
    std::string folder = slash == std::string::npos ? "." : text.substr(0, slash);
    std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';
    Search* search = new Search;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(Host(folder.c_str()), ec))
        if (Matches(entry.path().filename().string(), mask)) search->names.push_back(entry.path().filename().string());
    std::sort(search->names.begin(), search->names.end());
    if (search->names.empty()) {
        delete search;
        return nullptr;
    }
    CopyName(search->names[0], name, capacity);
    search->next = 1;
    return search;
}

bool PlatformFindNextName(FileSearch handle, char* name, u32 capacity) {
    Search* search = static_cast<Search*>(handle);
    if (search->next >= search->names.size()) return false;
    CopyName(search->names[search->next++], name, capacity);
    return true;
}

void PlatformFindClose(FileSearch search) { delete static_cast<Search*>(search); }

bool PlatformFullPath(const char* path, char* out, u32 capacity) {
    std::size_t length = std::strlen(path);
    if (length >= capacity) return false;
    std::memcpy(out, path, length + 1);
    return true;
}

bool PlatformShortPath(const char* path, char* out, u32 capacity) {
    std::string text = path;
    if (::access(Host(path).c_str(), F_OK) != 0) return false;
    std::string result;
    std::size_t start = 0;
    if (IsDrivePath(text)) {
        result = text.substr(0, 2);
        start = 2;
    }
    while (start < text.size()) {
        std::size_t slash = text.find('\\', start);
        if (slash == start) {
            result += '\\';
            ++start;
            continue;
        }
        std::string component = text.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        result += ShortComponent(component);
        if (slash == std::string::npos) break;
        start = slash;
    }
    if (result.size() >= capacity) return false;
    std::memcpy(out, result.c_str(), result.size() + 1);
    return true;
}

bool PlatformSetCurrentDirectory(const char* path) { return ::chdir(Host(path).c_str()) == 0; }

bool PlatformFileVersion(const char* path, u16 version[4]) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_versions.find(Host(path));
    if (it == g_versions.end()) return false;
    for (int i = 0; i < 4; ++i) version[i] = it->second[i];
    return true;
}

void PlatformMoveAtRestart(const char* from, const char* to) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_restartMoves.push_back({from, to ? to : ""});
}

void PlatformWriteProfileString(const char* file, const char* section, const char* key, const char* value) {
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_profileWrites.push_back(std::string(file) + " [" + section + "] " + key + "=" + value);
}
