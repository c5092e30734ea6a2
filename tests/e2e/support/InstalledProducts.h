// Products installed into the prefix from a packwright manifest, for the removal tests: the
// installer is built with the test build of the Stub and run through its wizard with the proposed
// choices, as a user who presses Next throughout would.
#pragma once
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace e2e {

struct InstalledProduct {
    std::string programDir;   // "C:\Program Files\" + the manifest's program directory
    std::string uninstaller;  // programDir\UNINST.EXE
    std::string finalizer;    // programDir\FINALIZE.EXE
};

using Answers = std::vector<std::pair<std::string, std::string>>;

struct InstallOptions {
    // Targets, as the manifest names them, that another program holds open during the
    // installation: each is written beside itself as "name.NewTemp", and the installation
    // leaves FINALIZE.EXE, its RunOnce entry and the run-after command for the restart.
    std::vector<std::string> inUse;
    // Answers to the installation's questions: (caption, button id).
    Answers answers;
    // The Windows version the installer is told it runs on ("win98": not the NT platform,
    // where files in use are left to the Finalizer); empty: the prefix's own.
    std::string windowsVersion;
    // Split the installer into volumes of at most this many bytes (0: one file).
    unsigned long long volumeSize = 0;
    // Called with the built installer's path on this machine before it runs (to sign it).
    std::function<void(const std::string& setupPath)> prepare;
};

// The repository's example (examples/sample/setup.toml) and the suites' own products
// (tests/e2e/products/NAME.toml).
std::filesystem::path ExampleManifest();
std::filesystem::path TestProductManifest(const std::string& name);

InstalledProduct InstallProduct(const std::filesystem::path& manifest, const InstallOptions& options = {});

// A path with its path macro expanded as the installation of that product expands it.
std::string ExpandInPrefix(const std::string& path, const std::string& programDir, const std::string& shortcutFolder);

// The shared-file count of a path, or -1 when there is none.
long SharedFileCount(const std::string& path);

// Driver commands that walk the product's UNINST.EXE from its folder, as a user runs it:
// Yes to the confirmation, each (caption, button id) of `answers` to its question, OK to
// "Done.", to the end of the run (the copy it starts included).
std::vector<std::string> UninstallCommands(const InstalledProduct& product, const Answers& answers = {});

// Whether a registry key exists.
bool RegistryKeyExists(const std::string& key);

}  // namespace e2e
