// Signed installers under Wine: the example, signed in one file and split into volumes,
// installed through the wizard and removed by its UNINST.EXE, which carries no signature.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "package/PeSecurity.h"
#include "packwright/sign/SignInstaller.h"
#include "support/InstalledProducts.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const std::string UninstallEntry = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Notes";
const std::string SharedCountsKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

class Signing : public StubTest {
protected:
    fs::path keys = fs::temp_directory_path() / ("packwright-e2e-keys-" + std::to_string(::getpid()));

    // The example's file that every product of its vendor shares.
    static std::string Shared() { return ExpandInPrefix("{WinDir}\\SampleShared\\palette.dat", "", ""); }

    // Whatever an earlier run stopped halfway left of the example goes first.
    void SetUp() override {
        StubTest::SetUp();
        RunWine({"reg", "delete", SharedCountsKey, "/v", Shared(), "/f"}, ProgramTimeout);
        for (const std::string& key : {UninstallEntry, std::string("HKEY_LOCAL_MACHINE\\Software\\Sample Software"),
                                       std::string("HKEY_LOCAL_MACHINE\\Software\\ZelSetup")})
            RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
        for (const std::string& path : {std::string("C:\\Program Files\\Sample Notes"),
                                        ExpandInPrefix("{WinDir}\\SampleShared", "", ""),
                                        ExpandInPrefix("{OurShortcutDir}", "", "Sample Notes"),
                                        ExpandInPrefix("{Desktop}\\Sample Notes settings.lnk", "", "")})
            fs::remove_all(HostPath(path));
        fs::create_directories(keys);
        std::string command = "openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj /CN=E2E-Signer -keyout '" +
                              (keys / "key.pem").string() + "' -out '" + (keys / "cert.pem").string() + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void TearDown() override { fs::remove_all(keys); }

    std::function<void(const std::string&)> SignWithVolumeSize(unsigned long long volumeSize) {
        return [this, volumeSize](const std::string& setup) {
            SignRequest request;
            request.installer = request.output = setup;
            request.key.certificate = (keys / "cert.pem").string();
            request.key.key = (keys / "key.pem").string();
            request.key.signingTime = 1700000000;
            request.volumeSize = volumeSize;
            SignedInstaller result = SignInstaller(request);
            ASSERT_EQ(result.volumes.size(), volumeSize ? 2u : 1u);
        };
    }

    // Installs, checks the installed UNINST.EXE is unsigned, and removes the product with it.
    void InstallAndRemove(const InstallOptions& options) {
        InstalledProduct notes = InstallProduct(ExampleManifest(), options);
        ASSERT_TRUE(fs::exists(HostPath(notes.programDir + "\\readme.txt")));
        u8 headers[PeHeadersLength] = {};
        std::ifstream(HostPath(notes.uninstaller), std::ios::binary).read(reinterpret_cast<char*>(headers), sizeof headers);
        u32 entry = SecurityEntryOffset(headers, sizeof headers);
        ASSERT_NE(entry, 0u);
        EXPECT_EQ(LoadU32(headers + entry), 0u) << "UNINST.EXE points at a certificate table";
        EXPECT_EQ(LoadU32(headers + entry - PeChecksumBeforeEntry), 0u) << "UNINST.EXE keeps the signed checksum";

        // The last product to use the shared file: its removal asks, and is told yes.
        RunResult removal = Drive(UninstallCommands(notes, {{Shared(), "6"}}), ProgramTimeout);
        ASSERT_EQ(removal.exitCode, 0) << removal.output;
        EXPECT_FALSE(fs::exists(HostPath(notes.programDir)));
        EXPECT_FALSE(fs::exists(HostPath(Shared())));
        EXPECT_FALSE(RegistryKeyExists(UninstallEntry));
    }
};
}  // namespace

TEST_F(Signing, SignedSingleAndSplitInstallersInstallAndUninstallCleanly) {
    {
        SCOPED_TRACE("one file");
        InstallOptions options;
        options.prepare = SignWithVolumeSize(0);
        ASSERT_NO_FATAL_FAILURE(InstallAndRemove(options));
    }
    {
        // Room in volume 0 for part of the Package beside the signature; the rest in .001.
        SCOPED_TRACE("two volumes");
        InstallOptions options;
        options.volumeSize = fs::file_size(TestStubPath()) + 1900;
        options.prepare = SignWithVolumeSize(options.volumeSize);
        InstallAndRemove(options);
    }
}
