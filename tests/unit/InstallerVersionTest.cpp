// The installer's version resource: the builder fills the shipped Stub's slots from the
// manifest, list reads them back, verify still recognises the Stub, and a text too long for
// its slot stops the build. Uses the Stub this build made (skipped when there is none).
#include <filesystem>

#include "TestSupport.h"
#include "packwright/builder/BuildInstaller.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/StubIdentity.h"

namespace fs = std::filesystem;

namespace {
class InstallerVersion : public ::testing::Test {
protected:
    void SetUp() override {
        if (!fs::exists(PACKWRIGHT_BUILT_STUB)) GTEST_SKIP() << "no Stub built at " << PACKWRIGHT_BUILT_STUB;
        WriteFileBytes(dir.file("readme.txt"), Bytes{'h', 'i'});
    }

    BuildResult Build(const std::string& manifest, const std::string& output) {
        WriteFileBytes(dir.file("setup.toml"), Bytes(manifest.begin(), manifest.end()));
        BuildOptions o;
        o.manifestPath = dir.file("setup.toml");
        o.outputPath = dir.file(output);
        o.stubPath = PACKWRIGHT_BUILT_STUB;
        o.messages = nullptr;
        return BuildInstaller(o);
    }

    std::map<std::string, std::string> Strings(const ExaminedPackage& p) {
        std::map<std::string, std::string> strings;
        for (const auto& [key, text] : p.version->strings) strings[key] = text;
        return strings;
    }

    TempDir dir;
};

const std::string Files = "\n[[file]]\nsource = \"readme.txt\"\ntarget = '{OurProgramDir}'\n";
}  // namespace

TEST_F(InstallerVersion, TheManifestFillsTheStringsAndNumbersAndTheStubStaysRecognised) {
    Build("title = \"Sample Notes – Café\"\nprogram_dir = \"Sample\"\nversion = \"2.10.3\"\n"
          "publisher = \"Sample Co\"\ncopyright = \"© 2026 Sample Co\"\n" + Files, "Sample Setup.exe");
    ExaminedPackage p = ExaminePackage(dir.file("Sample Setup.exe"));
    ASSERT_TRUE(p.version);
    EXPECT_EQ(Strings(p), (std::map<std::string, std::string>{{"CompanyName", "Sample Co"},
                                                              {"FileDescription", "Sample Notes – Café Setup"},
                                                              {"FileVersion", "2.10.3"},
                                                              {"LegalCopyright", "© 2026 Sample Co"},
                                                              {"OriginalFilename", "Sample Setup.exe"},
                                                              {"ProductName", "Sample Notes – Café"},
                                                              {"ProductVersion", "2.10.3"}}));
    EXPECT_EQ(p.version->numbers, (std::array<u16, 4>{2, 10, 3, 0}));
    EXPECT_NE(ListingText(p).find("  CompanyName:      Sample Co\n"), std::string::npos) << ListingText(p);
    EXPECT_NE(ListingJson(p).find("\"ProductVersion\": \"2.10.3\""), std::string::npos) << ListingJson(p);
    EXPECT_EQ(IdentifyStub(dir.file("Sample Setup.exe"), p.packageOffset, PACKWRIGHT_BUILT_STUB).verdict,
              StubIdentity::Verdict::Shipped);

    // Fields left out stay empty; the slots hold nothing of the longer texts before.
    Build("title = \"X\"\nprogram_dir = \"Sample\"\n" + Files, "x.exe");
    ExaminedPackage bare = ExaminePackage(dir.file("x.exe"));
    ASSERT_TRUE(bare.version);
    std::map<std::string, std::string> strings = Strings(bare);
    EXPECT_EQ(strings["ProductName"], "X");
    EXPECT_EQ(strings["CompanyName"], "");
    EXPECT_EQ(strings["ProductVersion"], "");
    EXPECT_EQ(bare.version->numbers, (std::array<u16, 4>{0, 0, 0, 0}));
}

TEST_F(InstallerVersion, TextsLongerThanTheirSlotsAreRefusedWithTheirLimit) {
    std::string longPublisher(64, 'p');
    try {
        Build("title = \"X\"\nprogram_dir = \"S\"\npublisher = \"" + longPublisher + "\"\n" + Files, "x.exe");
        ADD_FAILURE() << "built";
    } catch (const ManifestError& e) {
        ASSERT_EQ(e.Diagnostics().size(), 1u);
        EXPECT_EQ(e.Diagnostics()[0].field, "publisher");
        EXPECT_NE(e.Diagnostics()[0].message.find("holds at most 63"), std::string::npos) << e.Diagnostics()[0].message;
    }
    // The title at its limit still fits with " Setup" after it.
    EXPECT_NO_THROW(Build("title = \"" + std::string(63, 't') + "\"\nprogram_dir = \"S\"\n" + Files, "x.exe"));
    EXPECT_THROW(Build("title = \"X\"\nprogram_dir = \"S\"\n" + Files, std::string(44, 'n') + ".exe"), BuildError);
    EXPECT_FALSE(fs::exists(dir.file(std::string(44, 'n') + ".exe")));
}
