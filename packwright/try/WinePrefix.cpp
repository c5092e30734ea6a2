#include "packwright/try/WinePrefix.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "packwright/builder/BuildInstaller.h"
#include "packwright/try/TryError.h"

namespace fs = std::filesystem;

namespace {
const char InstallHint[] =
    "install it with `sudo dpkg --add-architecture i386 && sudo apt-get update && "
    "sudo apt-get install wine wine32:i386`";

std::string Seconds(Milliseconds timeout) { return std::to_string(timeout.count() / 1000) + " s"; }

void MustRun(const std::vector<std::string>& arguments, Milliseconds timeout, const std::string& what) {
    RunResult result = RunWine(arguments, timeout);
    if (!result.exitCode) throw TryError("timed out after " + Seconds(timeout) + " waiting for " + what);
    if (*result.exitCode != 0)
        throw TryError(what + " failed (exit code " + std::to_string(*result.exitCode) + "): " + result.output +
                       "\n32-bit Wine may be missing: " + InstallHint);
}

// Holds an exclusive lock on a file for as long as it lives.
class FileLock {
public:
    FileLock(const fs::path& path, Milliseconds timeout) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd_ < 0) throw TryError("cannot open " + path.string());
        auto deadline = std::chrono::steady_clock::now() + timeout;
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            if (std::chrono::steady_clock::now() >= deadline)
                throw TryError("timed out after " + Seconds(timeout) + " waiting for another packwright to finish the Wine prefix template in " +
                               path.parent_path().string());
            std::this_thread::sleep_for(Milliseconds(200));
        }
    }
    ~FileLock() { ::close(fd_); }

private:
    int fd_ = -1;
};

void MakeTemplate(const fs::path& folder, Milliseconds timeout) {
    fs::remove_all(folder);
    fs::create_directories(folder / "home");
    UseWineFolder(folder);
    std::fprintf(stderr, "packwright try: making the Wine prefix template in %s (once)\n", folder.c_str());
    MustRun({"wineboot", "-i"}, timeout, "wineboot to create the Wine prefix");
    // A virtual desktop: without a window manager every closing window would cost seconds.
    MustRun({"reg", "add", "HKCU\\Software\\Wine\\Explorer", "/v", "Desktop", "/d", "Default", "/f"}, timeout, "reg add");
    MustRun({"reg", "add", "HKCU\\Software\\Wine\\Explorer\\Desktops", "/v", "Default", "/d", "1024x768", "/f"}, timeout,
            "reg add");
    // As on any Windows system: text files open in Notepad, and the shared-file counts key exists.
    MustRun({"reg", "add", "HKCR\\.txt", "/ve", "/d", "txtfile", "/f"}, timeout, "reg add");
    MustRun({"reg", "add", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", "/f"}, timeout, "reg add");
    RunResult stopped = RunProgram({"wineserver", "-w"}, timeout);
    if (!stopped.exitCode) throw TryError("timed out after " + Seconds(timeout) + " waiting for wineserver to save the new prefix");
    // The user's shell folders must not lead out of the prefix into the real home.
    for (const auto& user : fs::directory_iterator(folder / "prefix" / "drive_c" / "users"))
        for (const auto& entry : fs::directory_iterator(user.path()))
            if (entry.is_symlink()) {
                fs::remove(entry.path());
                fs::create_directory(entry.path());
            }
    std::ofstream(folder / "ready") << "made by packwright\n";
}
}  // namespace

void CheckTools(bool needXServer, bool needScreenshots) {
    if (!InPath("wine") || !InPath("wineserver"))
        throw TryError("Wine is not installed (no `wine` in PATH): " + std::string(InstallHint));
    // Debian's layout: the 32-bit loader comes with wine32:i386, the 64-bit one with wine64.
    if (fs::exists("/usr/lib/wine/wine64") && !fs::exists("/usr/lib/wine/wine"))
        throw TryError("32-bit Wine is not installed (installers are 32-bit programs): " + std::string(InstallHint));
    if (needXServer && !InPath("Xvfb"))
        throw TryError("there is no display and no X server to run headless: install it with `sudo apt-get install xvfb`");
    if (needScreenshots && !InPath("import"))
        throw TryError("screenshots need ImageMagick's `import`: install it with `sudo apt-get install imagemagick`");
}

fs::path CacheFolder() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache) return fs::path(cache) / "packwright";
    const char* home = std::getenv("HOME");
    if (!home || !*home) throw TryError("neither XDG_CACHE_HOME nor HOME is set: no place for the Wine prefix template");
    return fs::path(home) / ".cache" / "packwright";
}

void UseWineFolder(const fs::path& runFolder) {
    ::setenv("WINEPREFIX", (runFolder / "prefix").c_str(), 1);
    ::setenv("HOME", (runFolder / "home").c_str(), 1);
    ::setenv("WINEARCH", "win32", 1);
    // err+module: a missing library would otherwise end a program without a word.
    ::setenv("WINEDEBUG", "-all,err+module", 1);
    ::setenv("WINEDLLOVERRIDES", "winemenubuilder.exe=d;mscoree=d;mshtml=d", 1);
}

void CopyPrefixTemplate(const fs::path& cache, const fs::path& runFolder, Milliseconds timeout) {
    fs::path templateFolder = cache / "wine-template";
    fs::create_directories(cache);
    {
        FileLock lock(cache / "wine-template.lock", timeout * 3);
        if (!fs::exists(templateFolder / "ready")) MakeTemplate(templateFolder, timeout * 2);
    }
    fs::create_directories(runFolder);
    for (const char* part : {"prefix", "home"}) {
        RunResult copied = RunProgram({"cp", "-a", (templateFolder / part).string(), runFolder.string()}, timeout);
        if (copied.exitCode != 0) throw TryError("cannot copy the Wine prefix template: " + copied.output);
    }
    UseWineFolder(runFolder);
}

WineSession::WineSession(Milliseconds timeout) {
    RunResult server = RunProgram({"wineserver", "-p"}, timeout);
    if (server.exitCode != 0) throw TryError("cannot start wineserver: " + server.output);
    // The first program after a server start carries out pending renames and RunOnce
    // entries and starts Wine's services; let it finish before anything is compared.
    MustRun({"cmd", "/c", "exit"}, timeout, "the first Wine program (cmd /c exit) of the session");
    // The desktop registers its display adapters when it starts: before the first snapshot.
    MustRun({DefaultDriverPath(), "list"}, timeout, "the Wine desktop to start");
}

WineSession::~WineSession() { RunProgram({"wineserver", "-k"}, Milliseconds(30000)); }
