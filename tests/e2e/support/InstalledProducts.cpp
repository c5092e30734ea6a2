#include "support/InstalledProducts.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "package/PathMacroTokens.h"
#include "packwright/builder/BuildInstaller.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/ManifestReader.h"
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
    // The walk answers "Done." itself and ends when the Uninstaller's copy has ended too.
    std::vector<std::string> commands = {"reply", "Confirm", "6"};
    for (const auto& [caption, button] : answers) commands.insert(commands.end(), {"reply", caption, button});
    commands.insert(commands.end(), {"walk", "\"" + product.uninstaller + "\"", "60000"});
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
    Manifest manifest = ReadManifest(manifestPath.string(), diagnostics);
    InstallPlan plan = PlanInstall(manifest, diagnostics);
    if (diagnostics.HasErrors()) throw std::runtime_error("the manifest " + manifestPath.string() + " has errors");
    const InstallHeaderFields& header = plan.header;
    InstalledProduct product;
    // The wizard's proposal: a bare name goes under the program-files folder.
    product.programDir = header.ProgramDir.find('\\') == std::string::npos
                             ? "C:\\Program Files\\" + header.ProgramDir
                             : header.ProgramDir;
    product.uninstaller = product.programDir + "\\UNINST.EXE";
    product.finalizer = product.programDir + "\\FINALIZE.EXE";

    std::string setup = "C:\\e2e\\" + manifestPath.stem().string() + "-setup.exe";
    fs::create_directories(HostPath(setup).parent_path());
    BuildOptions build;
    build.manifestPath = manifestPath.string();
    build.outputPath = HostPath(setup).string();
    build.stubPath = TestStubPath().string();  // its UNINST.EXE traces as the tests need
    build.messages = nullptr;
    if (options.volumeSize) build.volumeSize = options.volumeSize;
    BuildResult built = BuildInstaller(build);
    if (options.prepare) options.prepare(build.outputPath);

    // Through the wizard with its proposals, as a user who presses Next throughout, the way
    // `packwright try` walks it: the outcome message acknowledged, a run-after program ended.
    std::vector<std::string> commands;
    for (const std::string& target : options.inUse)
        commands.insert(commands.end(), {"hold", ExpandInPrefix(target, product.programDir, header.ShortcutFolder)});
    if (manifest.password) commands.insert(commands.end(), {"fill", "Enter Password", "1000", *manifest.password});
    for (const auto& [caption, button] : options.answers) commands.insert(commands.end(), {"reply", caption, button});
    commands.insert(commands.end(), {"walk", "\"" + setup + "\"", "120000"});
    const std::string versionKey = "HKCU\\Software\\Wine\\AppDefaults\\" + HostPath(setup).filename().string();
    if (!options.windowsVersion.empty())
        RunWine({"reg", "add", versionKey, "/v", "Version", "/d", options.windowsVersion, "/f"}, ProgramTimeout);
    RunResult run = Drive(commands, Milliseconds(300000));
    if (!options.windowsVersion.empty()) RunWine({"reg", "delete", versionKey, "/f"}, ProgramTimeout);
    if (run.exitCode != 0) throw std::runtime_error("installing " + setup + " failed: " + run.output);
    for (const std::string& volume : built.volumes) fs::remove(volume);
    return product;
}

}  // namespace e2e
