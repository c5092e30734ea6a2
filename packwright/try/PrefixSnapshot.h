// What a Wine prefix holds, to compare before and after an installation: every folder and
// file of drive C (files with their size and time) and every key and value of
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, as the system exports them.
#pragma once
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

struct SnapshotFile {
    unsigned long long size = 0;
    long long time = 0;  // nanoseconds since 1970
    bool operator==(const SnapshotFile&) const = default;
};

// A registry value as exported: its type and its data in readable form.
struct SnapshotValue {
    std::string type;                // "REG_SZ", "REG_DWORD", "REG_BINARY", "REG_EXPAND_SZ", "REG_MULTI_SZ" ...
    std::string data;                // strings as they are; a dword in decimal; other data as hex bytes "2c 00"
    std::vector<std::string> texts;  // REG_MULTI_SZ: its strings
    std::string line;                // the exported line
    bool operator==(const SnapshotValue& other) const { return line == other.line; }
};

struct PrefixSnapshot {
    std::map<std::string, SnapshotFile> files;  // by Windows path, "C:\..."
    std::set<std::string> folders;
    std::set<std::string> links;
    std::set<std::string> keys;  // "HKEY_LOCAL_MACHINE\Software\..."
    std::map<std::pair<std::string, std::string>, SnapshotValue> values;  // (key, name); "@" is the default value

    // One line per item: "file C:\... N bytes, time T", "folder C:\...", "key [...]", "value [...] LINE".
    std::set<std::string> Entries() const;
};

// `ownFolder` ("C:\name") is left out, and used for the registry's export. So are the display
// adapters Wine registers afresh for every desktop it starts. The prefix's Wine session must
// be running, with WINEPREFIX naming the prefix.
PrefixSnapshot SnapshotPrefix(const std::filesystem::path& prefix, const std::string& ownFolder);

// The Linux path of a "C:\..." path inside the prefix, and the reverse.
std::filesystem::path HostPathIn(const std::filesystem::path& prefix, const std::string& windowsPath);
std::string WindowsPathIn(const std::filesystem::path& prefix, const std::filesystem::path& host);

// Upper-case copy, for the registry's and the file system's names, which ignore case.
std::string Folded(std::string text);
