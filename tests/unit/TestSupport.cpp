#include "TestSupport.h"

#include <fstream>
#include <random>

#include "package/Locator.h"
#include "package/StubPackage.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

TempDir::TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / ("packwright-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes HexBytes(const std::string& hex) {
    Bytes out;
    std::size_t i = 0;
    while (i < hex.size()) {
        if (hex[i] == ' ') {
            ++i;
            continue;
        }
        out.push_back(static_cast<u8>(std::stoul(hex.substr(i, 2), nullptr, 16)));
        i += 2;
    }
    return out;
}

void AppendU16(Bytes& out, u16 v) {
    out.push_back(static_cast<u8>(v));
    out.push_back(static_cast<u8>(v >> 8));
}

void AppendU32(Bytes& out, u32 v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<u8>(v >> (8 * i)));
}

void HostProcessTest::SetUp() {
    fake::Reset();
    ResetStubReader();
    ResetSetupState();
    PatchEmbeddedPackageOffset(0);
}

void HostProcessTest::TearDown() {
    ResetStubReader();
    ResetSetupState();
    PatchEmbeddedPackageOffset(0);
    fake::Reset();
}

void HostProcessTest::RunAs(const std::string& path, u32 offset) {
    ResetStubReader();
    fake::SetModulePath(path);
    PatchEmbeddedPackageOffset(offset);
}
