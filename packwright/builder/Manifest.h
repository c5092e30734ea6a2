// What a build manifest says, as read from its TOML file, before any source file is looked at.
// Every item remembers the line it came from so later checks can point back at it.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// A manifest table: its own line and the line of each key in it, for messages.
struct ManifestTable {
    int line = 0;
    std::map<std::string, int> keyLines;
    int LineOf(const std::string& key) const {
        auto it = keyLines.find(key);
        return it == keyLines.end() ? line : it->second;
    }
};

struct ManifestFileEntry : ManifestTable {
    int index = 0;       // 1-based position among the [[file]] tables
    std::string source;  // path or glob, relative to the manifest's folder
    std::string target;  // a file path, or a folder when the source is a glob or it ends in '\'
    bool shared = false;
};

struct ManifestShortcut : ManifestTable {
    int index = 0;
    std::string link;
    std::string target;
    std::string arguments;
    std::string workingDir;
};

enum class RegistryValueKind { String, Dword, Binary, NameOnly };

struct ManifestRegistryValue : ManifestTable {
    std::string name;  // "@" is the key's default value
    RegistryValueKind kind = RegistryValueKind::String;
    std::string text;                // String
    std::uint32_t dword = 0;         // Dword
    std::vector<std::uint8_t> data;  // Binary
};

struct ManifestRegistryKey : ManifestTable {
    int index = 0;
    std::string key;  // ROOT\sub\key with the root spelled out in full
    std::vector<ManifestRegistryValue> values;
};

struct Manifest : ManifestTable {
    std::string path;       // the manifest file, as given
    std::string directory;  // sources and the licence are relative to it
    bool parsed = false;    // the file was read and is valid TOML

    // The header's texts, named as the installer names them (the keys are title, footer,
    // uninstall_name, program_dir and start_menu_folder).
    std::string ProductTitle;
    std::string FooterText;  // one line, or two joined by a line feed
    std::string UninstallName;
    std::string ProgramDir;
    std::string ShortcutFolder;
    std::optional<std::string> password;
    std::optional<std::string> licenceFile;  // resolved against directory
    std::string runAfter;
    std::uint64_t volumeSize = 0;  // 0: one file, no volumes

    // What Windows shows about the product: the installer's version resource and the
    // Apps entry. Empty when not given. version is "1.2" to "1.2.3.4".
    std::string version;
    std::string publisher;
    std::string copyright;
    std::string homepage;
    std::string displayIcon;  // a path on the target system, path macros allowed

    std::vector<ManifestFileEntry> files;
    std::vector<ManifestShortcut> shortcuts;
    std::vector<ManifestRegistryKey> registry;
};
