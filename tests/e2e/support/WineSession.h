// The end-to-end tests' view of the Wine session that run-session.sh starts: programs run
// under Wine with time-outs, the window driver, the prefix's files and registry, and
// screenshots of the virtual desktop.
#pragma once
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "packwright/try/ChildProcess.h"

namespace e2e {

using ::Environment;
using ::Milliseconds;

// Built programs: the test build of the Stub, the shipped one, the driver, the planted library.
std::filesystem::path BinDir();
std::filesystem::path TestStubPath();
std::filesystem::path StubPath();
std::filesystem::path DriverPath();
std::filesystem::path PlantedLibraryPath();

// The prefix and the Linux path of a "C:\..." path inside it.
std::filesystem::path PrefixPath();
std::filesystem::path HostPath(const std::string& windowsPath);

// Programs under Wine with time-outs: the same code `packwright try` runs them with.
using ::RunResult;
using ::RunWine;
using ::WineProcess;

// Runs the window driver with the given commands (see packwright/try/driver/Driver.cpp).
// Programs the driver starts inherit extra.
RunResult Drive(const std::vector<std::string>& commands, Milliseconds timeout = Milliseconds(60000),
                const Environment& extra = {});

// "key: value" lines of driver output, in order, for one key.
std::vector<std::string> DriverValues(const std::string& output, const std::string& key);

// A value of the prefix's registry as `reg query` prints it, or nothing when missing.
std::optional<std::string> QueryRegistry(const std::string& key, const std::string& value);

// A folder inside the prefix for one test, empty at the start and removed at the end.
class PrefixFolder {
public:
    explicit PrefixFolder(const std::string& name);  // becomes C:\e2e\<name>
    ~PrefixFolder();
    const std::string& windowsPath() const { return windowsPath_; }
    const std::filesystem::path& hostPath() const { return hostPath_; }
    std::string windowsFile(const std::string& name) const { return windowsPath_ + "\\" + name; }
    std::filesystem::path hostFile(const std::string& name) const { return hostPath_ / name; }

private:
    std::string windowsPath_;
    std::filesystem::path hostPath_;
};

// The whole X screen, 8-bit RGB.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    unsigned Pixel(int x, int y) const;  // 0xRRGGBB
};
// Takes a screenshot, and keeps it as PNG at savePath when one is given.
std::optional<Screenshot> TakeScreenshot(const std::filesystem::path& savePath = {});

// Reads a text file into lines (without line ends); empty when it does not exist.
std::vector<std::string> ReadLines(const std::filesystem::path& path);

// Polls until predicate() holds or the time-out passes; the predicate's last answer.
template <typename Predicate>
bool WaitUntil(Milliseconds timeout, Predicate predicate);

}  // namespace e2e

#include "support/WineSession.inl"
