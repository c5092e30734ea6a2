// The shell for tests: special folders the test names, shortcuts written as small text
// files ("target=", "arguments=", "working directory=" lines), and opened documents recorded.
#include <fstream>
#include <map>
#include <mutex>

#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "platform/fake/FakeState.h"

namespace {
std::mutex g_mutex;
std::map<int, std::string> g_folders;
std::string g_systemDirectory;
std::vector<std::string> g_opened;
int g_comDepth = 0;

bool CopyOut(const std::string& value, char* out, u32 capacity) {
    if (value.empty() || value.size() >= capacity) return false;
    std::copy(value.begin(), value.end(), out);
    out[value.size()] = 0;
    return true;
}
}  // namespace

namespace fake_state {
void ResetShell() {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_folders.clear();
    g_systemDirectory.clear();
    g_opened.clear();
    g_comDepth = 0;
}
}  // namespace fake_state

namespace fake {
void SetSpecialFolder(int folder, const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_folders[folder] = path;
}
void SetSystemDirectory(const std::string& path) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_systemDirectory = path;
}
std::vector<std::string> OpenedByShell() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_opened;
}
std::optional<Shortcut> ReadShortcut(const std::string& link) {
    std::ifstream in(HostPath(link));
    if (!in) return std::nullopt;
    Shortcut s;
    for (std::string line; std::getline(in, line);) {
        auto take = [&](const std::string& key, std::string& field) {
            if (line.rfind(key, 0) == 0) field = line.substr(key.size());
        };
        take("target=", s.target);
        take("arguments=", s.arguments);
        take("working directory=", s.workingDirectory);
    }
    return s;
}
int ComDepth() {
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_comDepth;
}
}  // namespace fake

bool PlatformSpecialFolder(int folder, char* out, u32 capacity) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_folders.find(folder);
    return it != g_folders.end() && CopyOut(it->second, out, capacity);
}

bool PlatformSystemDirectory(char* out, u32 capacity) {
    std::lock_guard<std::mutex> lock(g_mutex);
    return CopyOut(g_systemDirectory, out, capacity);
}

void PlatformComInitialize() {
    std::lock_guard<std::mutex> lock(g_mutex);
    ++g_comDepth;
}

void PlatformComUninitialize() {
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_comDepth;
}

bool PlatformCreateShortcut(const char* link, const char* target, const char* arguments, const char* workingDirectory) {
    std::ofstream out(fake::HostPath(link), std::ios::trunc);
    if (!out) return false;
    out << "target=" << target << "\narguments=" << arguments << "\nworking directory=" << workingDirectory << "\n";
    return static_cast<bool>(out);
}

void PlatformShellOpen(WindowHandle, const char* file) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_opened.push_back(file);
}
