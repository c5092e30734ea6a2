// Libraries planted beside a downloaded setup, or in the temporary folder its Uninstaller
// copy runs from, must not be loaded. Wine is told to prefer a native common-controls
// library wherever it finds one; the test build with the hardening switched off shows
// that the planted copy would otherwise be loaded.
#include <filesystem>

#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const char OverridesPreferringPlanted[] = "winemenubuilder.exe=d;mscoree=d;mshtml=d;comctl32=n,b";

class Hardening : public StubTest {
protected:
    Environment PreferPlanted(bool hardened) {
        Environment extra;
        extra.emplace("WINEDLLOVERRIDES", OverridesPreferringPlanted);
        if (!hardened) extra.emplace("PACKWRIGHT_TEST_UNHARDENED", "1");
        return Traced(extra);
    }
    void Plant(const fs::path& folder) {
        fs::copy_file(PlantedLibraryPath(), folder / "comctl32.dll", fs::copy_options::overwrite_existing);
        fs::remove(folder / "comctl32.dll.loaded");
    }
    static bool Loaded(const fs::path& folder) { return fs::exists(folder / "comctl32.dll.loaded"); }
};
}  // namespace

TEST_F(Hardening, LibraryBesideTheSetupIsNotLoaded) {
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("SETUP.EXE"), 2);
    Plant(folder().hostPath());
    const std::vector<std::string> answers = {"answer", "Success!", "1", "60000"};  // the Finalizer reports
    RunResult hardened = RunDriven({folder().windowsFile("SETUP.EXE")}, answers, PreferPlanted(true));
    EXPECT_EQ(hardened.exitCode, 0) << hardened.output;
    EXPECT_FALSE(Loaded(folder().hostPath()));

    RunResult open = RunDriven({folder().windowsFile("SETUP.EXE")}, answers, PreferPlanted(false));
    EXPECT_EQ(open.exitCode, 0) << open.output;
    EXPECT_TRUE(Loaded(folder().hostPath())) << "the planted library was not even loaded without the hardening";
}

// The wizard's sheet comes from the common-controls library as well: the system's copy shows
// it; without the hardening the planted copy, which has no sheet, is taken, and the
// installation ends without installing anything.
TEST_F(Hardening, TheWizardSheetComesFromTheSystemsLibrary) {
    WriteEmptyInstaller(TestStubPath(), folder().hostFile("SETUP.EXE"));
    Plant(folder().hostPath());
    auto wizardResult = [this] {
        std::vector<TraceEvent> trace = Trace();
        const TraceEvent* wizard = trace.empty() ? nullptr : FindEvent(trace, TracedProcesses(trace)[0], "wizard");
        return wizard ? wizard->value : std::string("(none)");
    };
    RunResult hardened = RunDriven({folder().windowsFile("SETUP.EXE")},
                                   {"press", "CANCEL", "60000", "answer", "Confirm", "6", "60000"}, PreferPlanted(true));
    EXPECT_EQ(hardened.exitCode, 0) << hardened.output;
    EXPECT_EQ(wizardResult(), "0");
    EXPECT_FALSE(Loaded(folder().hostPath()));

    fs::remove(folder().hostFile("trace.txt"));
    RunResult open = RunWine({folder().windowsFile("SETUP.EXE")}, ProgramTimeout, PreferPlanted(false));
    EXPECT_EQ(open.exitCode, 0) << open.output;
    EXPECT_TRUE(Loaded(folder().hostPath())) << "the planted library was not even loaded without the hardening";
    EXPECT_EQ(wizardResult(), "4294967295");
}

TEST_F(Hardening, LibraryInTheTemporaryFolderIsNotLoadedByTheUninstallerCopy) {
    fs::path temp = HostPath(UserTempDirectory());
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    Plant(folder().hostPath());
    Plant(temp);

    RunResult hardened = RunWine({folder().windowsFile("UNINST.EXE")}, ProgramTimeout, PreferPlanted(true));
    EXPECT_EQ(hardened.exitCode, 0) << hardened.output;
    Drive({"answer", "Confirm", "7", "60000"});  // the copy asks first: No removes nothing
    ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";
    EXPECT_FALSE(Loaded(temp));
    EXPECT_FALSE(Loaded(folder().hostPath()));

    fs::remove(folder().hostFile("trace.txt"));
    RunResult open = RunWine({folder().windowsFile("UNINST.EXE")}, ProgramTimeout, PreferPlanted(false));
    EXPECT_EQ(open.exitCode, 0) << open.output;
    Drive({"answer", "Confirm", "7", "60000"});
    ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";
    EXPECT_TRUE(Loaded(temp)) << "the copy did not load the planted library even without the hardening";

    for (const char* name : {"comctl32.dll", "comctl32.dll.loaded", "UNINST.EXE"}) fs::remove(temp / name);
}
