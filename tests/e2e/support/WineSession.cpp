#include "support/WineSession.h"

#include "packwright/try/PrefixSnapshot.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>


namespace e2e {
namespace fs = std::filesystem;

namespace {
std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) throw std::runtime_error(std::string(name) + " is not set: run the suite through run-session.sh");
    return value;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string UniqueName() {
    std::random_device random;
    return std::to_string(random()) + std::to_string(random());
}
}  // namespace

fs::path BinDir() { return PACKWRIGHT_BIN_DIR; }
fs::path TestStubPath() { return BinDir() / "stub_test.exe"; }
fs::path StubPath() { return BinDir() / "stub.exe"; }
fs::path DriverPath() { return BinDir() / "driver.exe"; }
fs::path PlantedLibraryPath() { return BinDir() / "e2e" / "comctl32.dll"; }

fs::path PrefixPath() { return Variable("WINEPREFIX"); }

fs::path HostPath(const std::string& windowsPath) { return HostPathIn(PrefixPath(), windowsPath); }

RunResult Drive(const std::vector<std::string>& commands, Milliseconds timeout, const Environment& extra) {
    std::vector<std::string> arguments = {DriverPath().string()};
    arguments.insert(arguments.end(), commands.begin(), commands.end());
    return RunWine(arguments, timeout, extra);
}

std::vector<std::string> DriverValues(const std::string& output, const std::string& key) {
    std::vector<std::string> values;
    std::istringstream lines(output);
    std::string line;
    std::string prefix = key + ": ";
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) values.push_back(line.substr(prefix.size()));
    }
    return values;
}

std::optional<std::string> QueryRegistry(const std::string& key, const std::string& value) {
    RunResult result = RunWine({"reg", "query", key, "/v", value}, Milliseconds(30000));
    if (!result.exitCode || *result.exitCode != 0) return std::nullopt;
    // "    NAME    REG_SZ    DATA"
    std::istringstream lines(result.output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::size_t type = line.find("    REG_");
        if (type == std::string::npos) continue;
        std::size_t data = line.find("    ", type + 4);
        return data == std::string::npos ? std::string() : line.substr(data + 4);
    }
    return std::nullopt;
}

PrefixFolder::PrefixFolder(const std::string& name) : windowsPath_("C:\\e2e\\" + name), hostPath_(HostPath(windowsPath_)) {
    fs::remove_all(hostPath_);
    fs::create_directories(hostPath_);
}

PrefixFolder::~PrefixFolder() {
    std::error_code ignored;
    fs::remove_all(hostPath_, ignored);
}

unsigned Screenshot::Pixel(int x, int y) const {
    std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return (unsigned(rgb[at]) << 16) | (unsigned(rgb[at + 1]) << 8) | rgb[at + 2];
}

std::optional<Screenshot> TakeScreenshot(const fs::path& savePath) {
    std::string name = UniqueName();
    fs::path png = savePath.empty() ? fs::temp_directory_path() / ("packwright-e2e-" + name + ".png") : savePath;
    fs::path raw = fs::temp_directory_path() / ("packwright-e2e-" + name + ".rgb");
    Screenshot shot;
    bool ok = std::system(("import -window root png:" + png.string()).c_str()) == 0;
    if (ok) {
        FILE* size = popen(("convert " + png.string() + " -format '%w %h' info:").c_str(), "r");
        ok = size && std::fscanf(size, "%d %d", &shot.width, &shot.height) == 2;
        if (size) pclose(size);
    }
    ok = ok && std::system(("convert " + png.string() + " -depth 8 rgb:" + raw.string()).c_str()) == 0;
    std::string bytes = ok ? ReadAll(raw) : std::string();
    std::error_code ignored;
    fs::remove(raw, ignored);
    if (savePath.empty()) fs::remove(png, ignored);
    if (!ok || bytes.size() != static_cast<std::size_t>(shot.width) * shot.height * 3) return std::nullopt;
    shot.rgb.assign(bytes.begin(), bytes.end());
    return shot;
}

std::vector<std::string> ReadLines(const fs::path& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

}  // namespace e2e
