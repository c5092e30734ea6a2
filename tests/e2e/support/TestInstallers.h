// Installers for the end-to-end tests, made with the package writer from the built Stubs.
#pragma once
#include <filesystem>
#include <string>

#include "packwright/writer/PackageModel.h"

namespace e2e {

// A companion Package (RunMode 1, 2, or any other non-zero byte) behind the Stub.
void WriteCompanionInstaller(const std::filesystem::path& stub, const std::filesystem::path& out, u8 runMode,
                             const std::string& title = "Packwright Test", const std::string& footer = "Footer",
                             const std::string& uninstallName = "PackwrightTest");

// An install Package behind the Stub.
void WriteInstaller(const std::filesystem::path& stub, const std::filesystem::path& out, const InstallPackage& package);

// An install Package with the given header and no files behind the Stub.
void WriteEmptyInstaller(const std::filesystem::path& stub, const std::filesystem::path& out,
                         const std::string& title = "Packwright Test");

}  // namespace e2e
