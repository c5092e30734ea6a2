#include "packwright/examine/LineDecoding.h"

#include "package/InstallLog.h"
#include "package/InstallLogLines.h"
#include "package/RegistryLine.h"
#include "package/RegistryValueTypes.h"
#include "package/ShortcutLine.h"
#include "package/VolumeNames.h"
#include "packwright/text/TextRendering.h"
#include "packwright/writer/PackageLimits.h"

namespace {
const char* const HoldsNul = "holds a 0 byte: the installer reads it only up to there";

std::string RootWithoutBackslash(RegistryRoot root) {
    std::string name = RegistryRootName(root);
    if (!name.empty()) name.pop_back();
    return name;
}

void DecodeValue(const std::string& line, const RegistryLine& parsed, DecodedRegistryLine& out) {
    out.kind = RegistryEntryKind::Value;
    out.name = line.substr(0, parsed.nameLength);
    out.isDefault = parsed.isDefault;
    if (parsed.hasType) out.typeByte = parsed.typeByte;
    std::string problem = RegistryLineProblem(line);
    if (!problem.empty()) out.problems.push_back(problem);
    if (parsed.hasType && !IsWrittenRegistryType(parsed.typeByte))
        out.problems.push_back("its type byte " + QuoteForMessage(std::string(1, static_cast<char>(parsed.typeByte))) +
                               " is none of S, D, B and N: the installer reads the value as a string");
    const char* data = reinterpret_cast<const char*>(parsed.data);
    switch (parsed.type) {
        case RegistryValueType::String:
            out.type = "string";
            if (parsed.hasType) {
                out.data.assign(data, parsed.dataLength);
                if (parsed.dataLength < parsed.heldLength)
                    out.problems.push_back("the string value " + std::string(HoldsNul));
            }
            break;
        case RegistryValueType::Dword:
            out.type = "dword";
            if (parsed.heldLength >= 4) out.dword = LoadU32(parsed.data);
            break;
        case RegistryValueType::Binary:
            out.type = "binary";
            if (parsed.hasLength) out.data.assign(data, std::min(parsed.dataLength, parsed.heldLength));
            break;
        case RegistryValueType::NameOnly: out.type = "name_only"; break;
    }
}
}  // namespace

DecodedShortcut DecodeShortcut(const std::string& line) {
    DecodedShortcut s;
    ShortcutParts parts;
    SplitShortcutLine(line.c_str(), &parts);
    s.link.assign(parts.link, parts.linkLength);
    s.lnkAdded = LinkNeedsExtension(parts.link, parts.linkLength);
    s.target.assign(parts.target, parts.targetLength);
    s.arguments.assign(parts.arguments, parts.argumentsLength);
    s.workingDirectory.assign(parts.workingDirectory, parts.workingDirectoryLength);
    if (line.find('\0') != std::string::npos) s.problems.push_back(std::string("the line ") + HoldsNul);
    if (s.link.empty()) s.problems.push_back("its link is empty");
    if (s.target.empty()) s.problems.push_back("its target is empty");
    return s;
}

std::vector<DecodedRegistryLine> DecodeRegistrySection(const std::vector<std::string>& lines) {
    std::vector<DecodedRegistryLine> out;
    std::string root, key;  // of the last key line the installer accepted
    for (const std::string& line : lines) {
        RegistryLine parsed;
        ParseRegistryLine(reinterpret_cast<const u8*>(line.c_str()), static_cast<u32>(line.size()), &parsed);
        DecodedRegistryLine d;
        switch (parsed.kind) {
            case RegistryLineKind::End:  // a line that starts with a 0 byte
            case RegistryLineKind::Other:
                d.kind = RegistryEntryKind::NoEquals;
                d.data = line;
                d.problems.push_back("it is neither a key line nor a value line (no '='): the installer sets "
                                     "nothing for it but logs it for the uninstaller as it stands");
                break;
            case RegistryLineKind::Key:
            case RegistryLineKind::BadKey:
                if (parsed.kind == RegistryLineKind::Key) {
                    d.kind = RegistryEntryKind::Key;
                    root = d.root = RootWithoutBackslash(parsed.root);
                    key = d.key = parsed.subKey;
                } else {
                    d.kind = RegistryEntryKind::UnknownRoot;
                    d.key = line.c_str() + 1;
                    d.problems.push_back("its root is none of HKEY_CLASSES_ROOT, HKEY_CURRENT_USER and "
                                         "HKEY_LOCAL_MACHINE: the installer ignores the line");
                }
                if (line.find('\0') != std::string::npos) d.problems.push_back(std::string("the key line ") + HoldsNul);
                break;
            case RegistryLineKind::Value:
                d.root = root;
                d.key = key;
                DecodeValue(line, parsed, d);
                if (root.empty()) d.problems.push_back("it sets a value before any key line has chosen a key");
                break;
        }
        out.push_back(std::move(d));
    }
    return out;
}

DecodedInstallLog DecodeInstallLog(const std::vector<std::string>& fileLines,
                                   const std::vector<std::pair<std::string, std::vector<std::string>>>& groups) {
    DecodedInstallLog log;
    const char* finalizer = FileNamePart(PACKWRIGHT_FINALIZER_PATH);
    const char* uninstaller = FileNamePart(PACKWRIGHT_UNINSTALLER_PATH);
    for (const std::string& line : fileLines) {
        LoggedFile parsed = ParseLoggedFile(line.c_str());
        log.files.push_back({line.substr(0, parsed.pathLength), parsed.shared, "file"});
    }
    if (!log.files.empty()) {
        DecodedLogFile& first = log.files.front();
        DecodedLogFile& last = log.files.back();
        if (LoggedPathNames(first.path.c_str(), static_cast<u32>(first.path.size()), finalizer)) first.role = "finalizer";
        else log.problems.push_back(std::string("the log's file part does not begin with ") + finalizer);
        if (LoggedPathNames(last.path.c_str(), static_cast<u32>(last.path.size()), uninstaller)) last.role = "uninstaller";
        else log.problems.push_back(std::string("the log's file part does not end with ") + uninstaller);
        // Shortcuts are logged after the files: the run of .lnk lines just before UNINST.EXE.
        for (std::size_t i = log.files.size() - 1; i-- > 0;) {
            DecodedLogFile& f = log.files[i];
            if (f.role != "file" || f.shared || !LoggedPathIsLink(f.path.c_str(), static_cast<u32>(f.path.size()))) break;
            f.role = "shortcut";
        }
    }
    for (const auto& [keyLine, names] : groups) {
        DecodedKeyGroup g;
        g.names = names;
        const char* subKey = nullptr;
        RegistryRoot root = keyLine.size() > 1 && keyLine[0] == ':' ? MatchRegistryRoot(keyLine.c_str() + 1, &subKey)
                                                                     : RegistryRoot::None;
        if (root == RegistryRoot::None) {
            g.key = keyLine;
            log.problems.push_back("the log's key line " + QuoteForMessage(keyLine) +
                                   " names no key the uninstaller knows");
        } else {
            g.root = RootWithoutBackslash(root);
            g.key = subKey;
        }
        if (keyLine.rfind(RememberedChoicesKeyLine, 0) == 0) g.owner = "remembered_choices";
        else if (keyLine.rfind(UninstallKeyLine, 0) == 0) g.owner = "uninstall_entry";
        log.keyGroups.push_back(std::move(g));
    }
    return log;
}
