// The mode byte and header at the start of the stream, as written by the writer.
#include "ExamineTestSupport.h"
#include "package/PackageHeader.h"
#include "package/StubPackage.h"
#include "packwright/writer/RawStream.h"
#include "state/SetupState.h"

namespace {
class HeaderReader : public HostProcessTest {
protected:
    TempDir dir;
    std::string exe = dir.file("SETUP.EXE");
    Bytes stub = FakeStub(200);

    bool ReadImage(const ByteVector& image) {
        WriteFileBytes(exe, image);
        RunAs(exe, static_cast<u32>(stub.size()));
        EXPECT_TRUE(OpenNextVolume());
        return ReadPackageHeader();
    }
    // A stream whose header block holds exactly `payload`.
    bool ReadPayload(const ByteVector& payload) {
        ByteVector stream = RawStream().U8(0).Block(payload).bytes;
        return ReadImage(BuildInstallerVolumes(stub, [&](ByteSink& s) { s.Write(stream); }).front());
    }
};
}  // namespace

TEST_F(HeaderReader, InstallHeaderWithAndWithoutLicence) {
    InstallPackage p = SamplePackage();
    p.header.ProgramDir = "C:\\Apps\\Sample";
    ASSERT_TRUE(ReadImage(BuildInstallerImage(stub, p)));
    EXPECT_EQ(g_setup.Mode, RunMode::Install);
    EXPECT_STREQ(g_setup.ProductTitle, "Sample Viewer 2.0");
    EXPECT_STREQ(g_setup.LicenceText, "You may use this.\r\nNo warranty.");
    EXPECT_TRUE(g_setup.ProgramDirFixed);
    EXPECT_EQ(g_setup.TotalBlocks, 8u);
    EXPECT_EQ(g_setup.PasswordChecksum, PasswordChecksumFor("SECRET"));
    // The file section starts right after the header: the first record's name.
    EXPECT_STREQ(ReadCountedString(), "{OurProgramDir}\\empty.txt");

    ResetStubReader();
    ResetSetupState();
    InstallPackage bare;
    bare.header.ProgramDir = "Sample";
    ASSERT_TRUE(ReadImage(BuildInstallerImage(stub, bare)));
    EXPECT_EQ(g_setup.LicenceText, nullptr);
    EXPECT_FALSE(g_setup.ProgramDirFixed);
    EXPECT_EQ(g_setup.PasswordChecksum, 0u);
    // An empty file section: its end byte, then the empty shortcut and registry sections.
    u8 rest[4];
    EXPECT_EQ(ReadPackageBytes(rest, 4), 4);
    EXPECT_EQ(rest[0] | rest[1] | rest[2] | rest[3], 0);
}

TEST_F(HeaderReader, CompanionHeaderLeavesInstallFieldsUnset) {
    CompanionPackage c{2, "Title", "Footer", "Name", {}};
    ASSERT_TRUE(ReadImage(BuildCompanionImage(stub, c)));
    EXPECT_EQ(g_setup.Mode, RunMode::Finalize);
    EXPECT_STREQ(g_setup.UninstallName, "Name");
    EXPECT_EQ(g_setup.ProgramDir, nullptr);
    EXPECT_EQ(g_setup.ShortcutFolder, nullptr);
    EXPECT_EQ(g_setup.LicenceText, nullptr);
    EXPECT_EQ(g_setup.TotalBlocks, 0u);
    EXPECT_FALSE(g_setup.Corrupted);
}

TEST_F(HeaderReader, DamagedOrShortHeaderBlockIsCorrupted) {
    ByteVector image = BuildInstallerImage(stub, SamplePackage());
    image[stub.size() + 4 + 1 + 12] ^= 0x01;  // first stored byte of the header block
    EXPECT_FALSE(ReadImage(image));
    EXPECT_TRUE(g_setup.Corrupted);

    // Sound checksums, but only three strings and no numbers.
    ResetStubReader();
    ResetSetupState();
    const char shortHeader[] = "Title\0Footer\0Name";
    EXPECT_FALSE(ReadPayload(ByteVector(shortHeader, shortHeader + sizeof shortHeader)));
    EXPECT_TRUE(g_setup.Corrupted);

    // All fields, but a licence without its terminating NUL.
    ResetStubReader();
    ResetSetupState();
    ByteVector payload = InstallHeaderPayload({}, {});
    payload.back() = 'L';
    EXPECT_FALSE(ReadPayload(payload));
    EXPECT_TRUE(g_setup.Corrupted);
}
