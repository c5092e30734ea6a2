#include "support/TestInstallers.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "packwright/writer/InstallerWriter.h"

namespace e2e {
namespace {
ByteVector ReadStub(const std::filesystem::path& stub) {
    std::ifstream in(stub, std::ios::binary);
    if (!in) throw std::runtime_error("no Stub at " + stub.string());
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const std::filesystem::path& out, const ByteVector& bytes) {
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + out.string());
}
}  // namespace

void WriteCompanionInstaller(const std::filesystem::path& stub, const std::filesystem::path& out, u8 runMode,
                             const std::string& title, const std::string& footer, const std::string& uninstallName) {
    CompanionPackage package;
    package.runMode = runMode;
    package.ProductTitle = title;
    package.FooterText = footer;
    package.UninstallName = uninstallName;
    Write(out, BuildCompanionImage(ReadStub(stub), package, true));
}

void WriteInstaller(const std::filesystem::path& stub, const std::filesystem::path& out, const InstallPackage& package) {
    Write(out, BuildInstallerImage(ReadStub(stub), package));
}

void WriteEmptyInstaller(const std::filesystem::path& stub, const std::filesystem::path& out, const std::string& title) {
    InstallPackage package;
    package.header.ProductTitle = title;
    package.header.FooterText = "Footer";
    package.header.ProgramDir = "Packwright Test";
    WriteInstaller(stub, out, package);
}

}  // namespace e2e
