#include "support/PrefixSnapshot.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/StubRun.h"

namespace e2e {
namespace fs = std::filesystem;

namespace {
std::string WindowsPathOf(const fs::path& host) {
    std::string relative = fs::relative(host, PrefixPath() / "drive_c").string();
    for (char& c : relative)
        if (c == '/') c = '\\';
    return "C:\\" + relative;
}

void AddFiles(std::set<std::string>& entries) {
    fs::path drive = PrefixPath() / "drive_c";
    for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator(); ++it) {
        std::string path = WindowsPathOf(it->path());
        if (path == "C:\\e2e") {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_symlink()) {
            entries.insert("link " + path);
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            // A folder's own time changes with whatever happens inside it: only that it is there counts.
            entries.insert("folder " + path);
        } else {
            auto time = it->last_write_time().time_since_epoch();
            entries.insert("file " + path + " " + std::to_string(it->file_size()) + " bytes, time " +
                           std::to_string(std::chrono::duration_cast<std::chrono::nanoseconds>(time).count()));
        }
    }
}

// The display adapters Wine registers anew, under fresh names and times, each time it starts
// a desktop: the state of the session, not of the prefix.
const char* const SessionKeys[] = {"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\",
                                   "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\"
                                   "{4D36E968-E325-11CE-BFC1-08002BE10318}\\"};

bool IsSessionKey(const std::string& key) {
    for (const char* prefix : SessionKeys)
        if (key.rfind(prefix, 0) == 0) return true;
    return false;
}

// The export is UTF-16; the keys and values the tests care about are plain ASCII.
std::string Narrow(const std::string& utf16) {
    std::string text;
    for (std::size_t i = 2; i + 1 < utf16.size(); i += 2) {
        unsigned unit = static_cast<unsigned char>(utf16[i]) | static_cast<unsigned char>(utf16[i + 1]) << 8;
        text += unit < 128 ? static_cast<char>(unit) : '?';
    }
    return text;
}

void AddRegistry(std::set<std::string>& entries, const std::string& root) {
    fs::path file = PrefixPath() / "drive_c" / "e2e" / "snapshot.reg";
    fs::create_directories(file.parent_path());
    RunResult exported = RunWine({"reg", "export", root, "C:\\e2e\\snapshot.reg", "/y"}, ProgramTimeout);
    if (exported.exitCode != 0) throw std::runtime_error("reg export " + root + ": " + exported.output);
    std::ifstream in(file, std::ios::binary);
    std::string text = Narrow(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    fs::remove(file);

    std::string key, logical;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        // Long values go on over several lines, each but the last ending in a backslash.
        if (!logical.empty()) {
            std::size_t first = line.find_first_not_of(' ');
            line = logical + (first == std::string::npos ? "" : line.substr(first));
            logical.clear();
        }
        if (!line.empty() && line.back() == '\\' && line[0] != '[') {
            logical = line.substr(0, line.size() - 1);
            continue;
        }
        if (line.empty() || line[0] == ';' || line.rfind("Windows Registry Editor", 0) == 0) continue;
        if (line[0] == '[') {
            key = line;
            if (!IsSessionKey(key)) entries.insert("key " + key);
        } else if (!IsSessionKey(key)) {
            entries.insert("value " + key + " " + line);
        }
    }
}
}  // namespace

PrefixSnapshot TakePrefixSnapshot() {
    PrefixSnapshot snapshot;
    AddFiles(snapshot.entries);
    AddRegistry(snapshot.entries, "HKEY_LOCAL_MACHINE");
    AddRegistry(snapshot.entries, "HKEY_CURRENT_USER");
    return snapshot;
}

std::vector<std::string> Difference(const PrefixSnapshot& before, const PrefixSnapshot& after) {
    std::vector<std::string> lines;
    for (const std::string& entry : after.entries)
        if (!before.entries.count(entry)) lines.push_back("+ " + entry);
    for (const std::string& entry : before.entries)
        if (!after.entries.count(entry)) lines.push_back("- " + entry);
    return lines;
}

}  // namespace e2e
