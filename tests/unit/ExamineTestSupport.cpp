#include "ExamineTestSupport.h"
#include "package/Locator.h"

#include <cstring>
#include <random>

#include "packwright/writer/StubPatch.h"

Bytes FakeStub(std::size_t size) {
    Bytes stub(size, 0xCC);
    stub[0] = 'M';
    stub[1] = 'Z';
    std::memcpy(stub.data() + size / 2, LocatorMarkerText, LocatorMarkerLength);
    StoreU32(stub.data() + size / 2 + LocatorMarkerLength, 0);  // not yet patched: no package
    return stub;
}

void SetSecurityDirectory(Bytes& stub, u32 tableOffset, u32 tableBytes, u32 checksum) {
    StoreU32(stub.data() + 0x3C, 0x80);
    std::memcpy(stub.data() + 0x80, "PE\0\0", 4);
    StoreU16(stub.data() + 0x98, 0x10B);
    StoreU32(stub.data() + 0xD8, checksum);
    StoreU32(stub.data() + 0x118, tableOffset);
    StoreU32(stub.data() + 0x11C, tableBytes);
}

void AppendCertificateTable(Bytes& image, u32 stubSize, u32 tableBytes) {
    u32 table = static_cast<u32>(image.size());
    image.resize(image.size() + tableBytes, 0xAB);
    SetSecurityDirectory(image, table, tableBytes, 0x1234);
    StoreU32(image.data() + stubSize, static_cast<u32>(image.size()));
}

InstallPackage SamplePackage() {
    InstallPackage p;
    p.header.ProductTitle = "Sample Viewer 2.0";
    p.header.FooterText = "Sample Co";
    p.header.UninstallName = "Sample Viewer";
    p.header.ProgramDir = "Sample";
    p.header.ShortcutFolder = "Sample Tools";
    p.header.PasswordChecksum = PasswordChecksumFor("secret");
    p.header.LicenceText = "You may use this.\r\nNo warranty.";

    auto add = [&](const std::string& name, ByteVector data, std::array<u16, 4> version = {}, bool shared = false) {
        PackageFile f;
        f.record.name = name;
        f.record.version = version;
        f.record.time = FileTimeFromUnix(1700000000 + static_cast<long long>(p.files.size()) * 3600, 0);
        f.record.shared = shared;
        f.data = std::move(data);
        p.files.push_back(std::move(f));
    };
    std::mt19937 rng(42);
    ByteVector mixed(200000);
    for (std::size_t i = 0; i < mixed.size(); ++i) mixed[i] = (i / 5000) % 2 ? static_cast<u8>(rng()) : static_cast<u8>(i % 7);
    add("{OurProgramDir}\\empty.txt", {});
    add("{OurProgramDir}\\readme.txt", ByteVector{'h', 'e', 'l', 'l', 'o', '\n'}, {1, 2, 3, 4});
    add("{OurProgramDir}\\data\\one.bin", ByteVector(BuiltBlockSize, 0x5A));
    add("{WinSysDir}\\common.dll", ByteVector(BuiltBlockSize + 1, 0x11), {7, 0, 65535, 1}, true);
    add("{OurProgramDir}\\data\\mixed.bin", mixed);

    p.shortcuts = {"{OurShortcutDir}\\Sample Viewer={OurProgramDir}\\viewer.exe\t\t{OurProgramDir}",
                   "{Desktop}\\Readme.txt={OurProgramDir}\\readme.txt"};
    std::string binary = "Key=B";
    binary += std::string("\x03\x00\x00\xFF\x7F", 5);
    p.registry = {":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer", "Home=S{OurProgramDir}",
                  std::string("Runs=D\x05\x00\x00\x00", 10), binary};
    p.runAfter = "{OurProgramDir}\\readme.txt";
    return p;
}

std::vector<std::string> WriteVolumes(const TempDir& dir, const std::string& name,
                                      const std::vector<ByteVector>& volumes) {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < volumes.size(); ++i) {
        std::string path = i == 0 ? dir.file(name) : VolumeFileName(dir.file(name), static_cast<u32>(i));
        WriteFileBytes(path, volumes[i]);
        paths.push_back(path);
    }
    return paths;
}

std::string InstallerTest::Write(const ByteVector& image, const std::string& name) {
    std::string path = dir.file(name);
    WriteFileBytes(path, image);
    return path;
}
