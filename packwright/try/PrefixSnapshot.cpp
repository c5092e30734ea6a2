#include "packwright/try/PrefixSnapshot.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "packwright/try/ChildProcess.h"
#include "packwright/try/RegistryExport.h"

namespace fs = std::filesystem;

namespace {
const Milliseconds ExportTimeout(120000);

void AddFiles(PrefixSnapshot& snapshot, const fs::path& prefix, const std::string& ownFolder) {
    fs::path drive = prefix / "drive_c";
    std::string own = Folded(ownFolder);
    for (auto it = fs::recursive_directory_iterator(drive); it != fs::recursive_directory_iterator(); ++it) {
        std::string path = WindowsPathIn(prefix, it->path());
        if (Folded(path) == own) {
            it.disable_recursion_pending();
            continue;
        }
        if (it->is_symlink()) {
            snapshot.links.insert(path);
            it.disable_recursion_pending();
        } else if (it->is_directory()) {
            // A folder's own time changes with whatever happens inside it: only that it is there counts.
            snapshot.folders.insert(path);
        } else {
            auto since1970 = std::chrono::file_clock::to_sys(it->last_write_time()).time_since_epoch();
            snapshot.files[path] = {it->file_size(),
                                    std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count()};
        }
    }
}

// What Wine registers anew, under fresh names and times, for every desktop and every start
// of its services: the display adapters and monitors, and the services' start count. The
// state of the session, not of the prefix.
const char* const SessionKeys[] = {
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\DeviceClasses\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\ServiceCurrent\\",
    "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Hardware Profiles\\",
    "HKEY_LOCAL_MACHINE\\Hardware\\DEVICEMAP\\VIDEO\\",
    "HKEY_CURRENT_USER\\Software\\Wine\\Temporary System Parameters\\"};

bool IsSessionKey(const std::string& key) {
    for (const char* prefix : SessionKeys)
        if (Folded(key).rfind(Folded(prefix), 0) == 0) return true;
    return false;
}

void AddRegistry(PrefixSnapshot& snapshot, const fs::path& prefix, const std::string& ownFolder, const std::string& root) {
    std::string windowsFile = ownFolder + "\\snapshot.reg";
    fs::path file = HostPathIn(prefix, windowsFile);
    fs::create_directories(file.parent_path());
    RunResult exported = RunWine({"reg", "export", root, windowsFile, "/y"}, ExportTimeout);
    if (exported.exitCode != 0) throw std::runtime_error("reg export " + root + " failed: " + exported.output);
    std::ifstream in(file, std::ios::binary);
    std::string utf16((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(file);
    for (const ExportedItem& item : ReadRegistryExport(utf16)) {
        if (IsSessionKey(item.key + "\\")) continue;
        if (item.isKey) snapshot.keys.insert(item.key);
        else snapshot.values[{item.key, item.name}] = item.value;
    }
}
}  // namespace

std::string Folded(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

fs::path HostPathIn(const fs::path& prefix, const std::string& windowsPath) {
    if (windowsPath.size() < 3 || (windowsPath[0] != 'C' && windowsPath[0] != 'c') || windowsPath[1] != ':')
        throw std::runtime_error("not a C: path: " + windowsPath);
    std::string rest = windowsPath.substr(3);
    for (char& c : rest)
        if (c == '\\') c = '/';
    return prefix / "drive_c" / rest;
}

std::string WindowsPathIn(const fs::path& prefix, const fs::path& host) {
    std::string relative = fs::relative(host, prefix / "drive_c").string();
    for (char& c : relative)
        if (c == '/') c = '\\';
    return relative == "." ? "C:\\" : "C:\\" + relative;
}

std::set<std::string> PrefixSnapshot::Entries() const {
    std::set<std::string> entries;
    for (const auto& [path, file] : files)
        entries.insert("file " + path + " " + std::to_string(file.size) + " bytes, time " + std::to_string(file.time));
    for (const std::string& path : folders) entries.insert("folder " + path);
    for (const std::string& path : links) entries.insert("link " + path);
    for (const std::string& key : keys) entries.insert("key [" + key + "]");
    for (const auto& [place, value] : values) entries.insert("value [" + place.first + "] " + value.line);
    return entries;
}

PrefixSnapshot SnapshotPrefix(const fs::path& prefix, const std::string& ownFolder) {
    PrefixSnapshot snapshot;
    AddFiles(snapshot, prefix, ownFolder);
    AddRegistry(snapshot, prefix, ownFolder, "HKEY_LOCAL_MACHINE");
    AddRegistry(snapshot, prefix, ownFolder, "HKEY_CURRENT_USER");
    return snapshot;
}
