#include "support/InstalledProducts.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "package/InstallLog.h"
#include "package/PathMacroTokens.h"
#include "package/RegistryLine.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/ManifestReader.h"
#include "packwright/writer/InstallerWriter.h"
#include "support/StubRun.h"

namespace e2e {
namespace fs = std::filesystem;

namespace {
const char SharedCountsKey[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

std::string Echo(const std::string& variable) {
    RunResult result = RunWine({"cmd", "/c", "echo", "%" + variable + "%"}, ProgramTimeout);
    std::string line = result.output.substr(0, result.output.find_first_of("\r\n"));
    while (!line.empty() && line.back() == ' ') line.pop_back();
    if (line.size() < 3 || line[1] != ':') throw std::runtime_error("cannot read %" + variable + "%: " + result.output);
    return line;
}

struct Folders {
    std::string windows, programs, desktop;
};
const Folders& PrefixFolders() {
    static const Folders folders = {Echo("WINDIR"), Echo("APPDATA") + "\\Microsoft\\Windows\\Start Menu\\Programs",
                                    Echo("USERPROFILE") + "\\Desktop"};
    return folders;
}

std::string Expansion(PathMacro macro, const std::string& programDir, const std::string& shortcutFolder) {
    const Folders& f = PrefixFolders();
    switch (macro) {
        case PathMacro::OurProgramDir: return programDir;
        case PathMacro::WinDir: return f.windows;
        case PathMacro::WinSysDir: return f.windows + "\\system32";
        case PathMacro::WinDrive: return f.windows.substr(0, 1);
        case PathMacro::OurShortcutDir: return f.programs + "\\" + shortcutFolder;
        case PathMacro::StartUp: return f.programs + "\\StartUp";
        case PathMacro::StartMenu: return f.programs.substr(0, f.programs.rfind('\\'));
        case PathMacro::StartPrograms: return f.programs;
        case PathMacro::Desktop: return f.desktop;
    }
    return "";
}

void WriteHostFile(const std::string& windowsPath, const std::string& bytes) {
    fs::path host = HostPath(windowsPath);
    fs::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ReadHostFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Registry values as one file for `reg import`.
class RegistryImport {
public:
    void Key(const std::string& key) { text_ += "\r\n[" + key + "]\r\n"; }
    void String(const std::string& name, const std::string& value) { text_ += Name(name) + "=" + Quoted(value) + "\r\n"; }
    void Dword(const std::string& name, unsigned long value) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08lx", value);
        text_ += Name(name) + "=dword:" + digits + "\r\n";
    }
    void Binary(const std::string& name, const unsigned char* data, std::size_t length) {
        static const char hex[] = "0123456789abcdef";
        text_ += Name(name) + "=hex:";
        for (std::size_t i = 0; i < length; ++i) text_ += std::string(i ? "," : "") + hex[data[i] >> 4] + hex[data[i] & 15];
        text_ += "\r\n";
    }
    void Import() const {
        WriteHostFile("C:\\e2e\\import.reg", "REGEDIT4\r\n" + text_);
        RunResult imported = RunWine({"reg", "import", "C:\\e2e\\import.reg"}, ProgramTimeout);
        fs::remove(HostPath("C:\\e2e\\import.reg"));
        if (imported.exitCode != 0) throw std::runtime_error("reg import: " + imported.output);
    }

private:
    static std::string Quoted(const std::string& text) {
        std::string out = "\"";
        for (char c : text) out += c == '\\' || c == '"' ? std::string("\\") + c : std::string(1, c);
        return out + "\"";
    }
    static std::string Name(const std::string& name) { return name == "@" ? "@" : Quoted(name); }
    std::string text_;
};

// The registry lines of the Package, set and logged as the installer does: each key group
// logs its key line, the names of its value lines (other lines as they stand) and "".
void AddRegistryLines(const std::vector<std::string>& lines, const std::string& programDir,
                      const std::string& shortcutFolder, RegistryImport& import, std::vector<std::string>& log) {
    bool groupOpen = false;
    for (const std::string& raw : lines) {
        RegistryLine line;
        ParseRegistryLine(reinterpret_cast<const u8*>(raw.c_str()), static_cast<u32>(raw.size()), &line);
        if (line.kind == RegistryLineKind::BadKey) continue;
        if (line.kind == RegistryLineKind::Key) {
            if (groupOpen) log.push_back("");
            import.Key(raw.substr(1));
            log.push_back(raw);
            groupOpen = true;
            continue;
        }
        if (line.kind != RegistryLineKind::Value) {
            log.push_back(raw);
            continue;
        }
        std::string name = raw.substr(0, line.nameLength);
        std::string data(reinterpret_cast<const char*>(line.data), line.dataLength);
        switch (line.type) {
            case RegistryValueType::String: import.String(name, ExpandInPrefix(data, programDir, shortcutFolder)); break;
            case RegistryValueType::Dword: import.Dword(name, LoadU32(line.data)); break;
            case RegistryValueType::Binary: import.Binary(name, line.data, line.dataLength); break;
            case RegistryValueType::NameOnly: break;
        }
        log.push_back(name);
    }
    if (groupOpen) log.push_back("");
}
}  // namespace

fs::path ExampleManifest() { return fs::path(PACKWRIGHT_SOURCE_DIR) / "examples" / "sample" / "setup.toml"; }
fs::path TestProductManifest(const std::string& name) {
    return fs::path(PACKWRIGHT_SOURCE_DIR) / "tests" / "e2e" / "products" / (name + ".toml");
}

std::string ExpandInPrefix(const std::string& path, const std::string& programDir, const std::string& shortcutFolder) {
    std::size_t open = path.find('{');
    if (open == std::string::npos) return path;
    const PathMacroToken* token = MatchPathMacro(path.c_str() + open);
    if (!token) return path;
    std::size_t close = path.find('}', open);
    std::string suffix = close == std::string::npos ? "" : path.substr(close + 1);
    return path.substr(0, open) + Expansion(token->macro, programDir, shortcutFolder) + suffix;
}

std::vector<std::string> UninstallCommands(const InstalledProduct& product, const Answers& answers) {
    const std::string wait = "60000";
    std::vector<std::string> commands = {"start", "\"" + product.uninstaller + "\"", wait, "answer", "Confirm", "6", wait};
    for (const auto& [caption, button] : answers)
        commands.insert(commands.end(), {"answer", caption, button, wait});
    // The folders go after "Done.": the run is over when its window is.
    commands.insert(commands.end(), {"answer", "Done.", "1", wait, "gone", "ZelSetupWindow", "*", wait});
    return commands;
}

bool RegistryKeyExists(const std::string& key) {
    return RunWine({"reg", "query", key}, ProgramTimeout).exitCode == 0;
}

long SharedFileCount(const std::string& path) {
    std::optional<std::string> value = QueryRegistry(SharedCountsKey, path);
    return value ? std::stol(*value, nullptr, 16) : -1;
}

InstalledProduct InstallProduct(const fs::path& manifestPath, const InstallOptions& options) {
    Diagnostics diagnostics(manifestPath.string());
    InstallPlan plan = PlanInstall(ReadManifest(manifestPath.string(), diagnostics), diagnostics);
    if (diagnostics.HasErrors()) throw std::runtime_error("the manifest " + manifestPath.string() + " has errors");
    const InstallHeaderFields& header = plan.header;
    const std::string& folder = header.ShortcutFolder;
    InstalledProduct product;
    // The wizard's default: a bare name goes under the program-files folder.
    product.programDir = header.ProgramDir.find('\\') == std::string::npos
                             ? "C:\\Program Files\\" + header.ProgramDir
                             : header.ProgramDir;
    product.uninstaller = product.programDir + "\\UNINST.EXE";
    product.finalizer = product.programDir + "\\FINALIZE.EXE";
    std::vector<std::string>& log = product.log;
    RegistryImport import;

    log.push_back(product.finalizer);
    bool finalizeNeeded = false;
    for (const PlannedFile& file : plan.files) {
        std::string target = ExpandInPrefix(file.target, product.programDir, folder);
        bool inUse = std::find(options.inUse.begin(), options.inUse.end(), file.target) != options.inUse.end();
        WriteHostFile(inUse ? target + ".NewTemp" : target, ReadHostFile(file.source));
        finalizeNeeded = finalizeNeeded || inUse;
        log.push_back(file.shared ? target + SharedFileMarker : target);
        if (file.shared) {
            import.Key(SharedCountsKey);
            import.Dword(target, static_cast<unsigned long>(std::max(SharedFileCount(target), 0L) + 1));
        }
    }
    for (const std::string& line : plan.shortcutLines) {
        std::string link = ExpandInPrefix(line.substr(0, line.find('=')), product.programDir, folder);
        if (link.find('.', link.rfind('\\') + 1) == std::string::npos) link += ".lnk";
        WriteHostFile(link, "shortcut: " + line);
        log.push_back(link);
    }
    log.push_back(product.uninstaller);
    log.push_back("");

    AddRegistryLines(plan.registryLines, product.programDir, folder, import, log);
    if (!header.UninstallName.empty()) {
        std::string remembered = "HKEY_LOCAL_MACHINE\\" PACKWRIGHT_REMEMBERED_CHOICES_KEY + header.UninstallName;
        std::string registration = "HKEY_LOCAL_MACHINE\\" PACKWRIGHT_UNINSTALL_KEY + header.UninstallName;
        import.Key(remembered);
        import.String(RememberedPathValue, product.programDir);
        if (!folder.empty()) import.String(RememberedFolderValue, folder);
        import.Key(registration);
        import.String(DisplayNameValue, header.UninstallName);
        import.String(UninstallStringValue, product.uninstaller);
        for (const std::string& line : {":" + remembered, std::string(RememberedPathValue),
                                        std::string(RememberedFolderValue), std::string(), ":" + registration,
                                        std::string(DisplayNameValue), std::string(UninstallStringValue), std::string()})
            log.push_back(line);
    }
    log.push_back("");

    std::ifstream stubFile(TestStubPath(), std::ios::binary);
    ByteVector stub((std::istreambuf_iterator<char>(stubFile)), std::istreambuf_iterator<char>());
    CompanionPackage uninstaller{1, header.ProductTitle, header.FooterText, header.UninstallName, log};
    ByteVector image = BuildCompanionImage(stub, uninstaller);
    WriteHostFile(product.uninstaller, std::string(image.begin(), image.end()));
    // Without a file left for after the restart, a successful installation deletes FINALIZE.EXE.
    if (finalizeNeeded) {
        CompanionPackage finalizer{2, header.ProductTitle, header.FooterText, header.UninstallName, {}};
        image = BuildCompanionImage(stub, finalizer);
        WriteHostFile(product.finalizer, std::string(image.begin(), image.end()));
        import.Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce");
        // Quoted, as the installation writes it: the program directory may hold blanks.
        import.String("ZelSetup_Finalize", "\"" + product.programDir + "\\Finalize.exe\"");
        if (!plan.runAfter.empty()) {
            import.Key("HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowfen\\Packwright\\RunAfter");
            import.String("RunAfter", ExpandInPrefix(plan.runAfter, product.programDir, folder));
        }
    }
    import.Import();
    return product;
}

}  // namespace e2e
