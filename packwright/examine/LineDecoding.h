// The shortcut, registry and InstallLog lines decoded as the installer and the uninstaller
// read them, with what is unusual about each: lines the builder never writes, which the
// installer would ignore or read in a way their author may not expect. Texts stay in
// Windows-1252, as stored.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "state/Types.h"

struct DecodedShortcut {
    std::string link;  // as stored
    bool lnkAdded = false;  // the installer appends ".lnk" to the link
    std::string target;
    std::string arguments;
    std::string workingDirectory;
    std::vector<std::string> problems;
};

// A shortcut line with its "=" (a line without one ends the section instead).
DecodedShortcut DecodeShortcut(const std::string& line);

enum class RegistryEntryKind { Key, UnknownRoot, Value, NoEquals };

struct DecodedRegistryLine {
    RegistryEntryKind kind = RegistryEntryKind::Key;
    // Key lines: their root and sub key. Value lines: those of the key line before them (the
    // last one the installer accepted), empty when there is none.
    std::string root;  // "HKEY_LOCAL_MACHINE"
    std::string key;   // "Software\Sample"
    std::string name;  // value lines: as stored; "@" names the key's default value
    bool isDefault = false;
    std::string type;  // "string", "dword", "binary" or "name_only"
    std::optional<u8> typeByte;
    std::optional<u32> dword;
    std::string data;  // string: its text up to the first 0 byte; binary: the bytes held
    std::vector<std::string> problems;
};

// Every line of the registry section, in order.
std::vector<DecodedRegistryLine> DecodeRegistrySection(const std::vector<std::string>& lines);

struct DecodedLogFile {
    std::string path;  // up to the first TAB
    bool shared = false;
    std::string role;  // "finalizer", "uninstaller", "shortcut" (a likely link) or "file"
};

struct DecodedKeyGroup {
    std::string root;  // empty when the key line names none the uninstaller knows
    std::string key;   // the sub key, or the whole line when root is empty
    std::vector<std::string> names;
    std::string owner;  // "" or the installer's own group: "remembered_choices", "uninstall_entry"
};

struct DecodedInstallLog {
    std::vector<DecodedLogFile> files;
    std::vector<DecodedKeyGroup> keyGroups;
    std::vector<std::string> problems;
};

DecodedInstallLog DecodeInstallLog(const std::vector<std::string>& fileLines,
                                   const std::vector<std::pair<std::string, std::vector<std::string>>>& groups);
