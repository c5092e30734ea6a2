// Libraries planted beside a downloaded setup, or in the temporary folder its Uninstaller
// copy runs from, must not be loaded. Wine is told to prefer a native common-controls
// library wherever it finds one. Two things keep the planted copy out: the hardening (only
// the system folder is searched) and the manifest, whose common controls come from the
// side-by-side store; the test build with the hardening switched off shows the second alone.
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

    // The manifest asks for the current common controls, which come from the system's
    // side-by-side store before any folder is searched: even without the hardening the
    // planted copy stays out.
    RunResult open = RunDriven({folder().windowsFile("SETUP.EXE")}, answers, PreferPlanted(false));
    EXPECT_EQ(open.exitCode, 0) << open.output;
    EXPECT_FALSE(Loaded(folder().hostPath()));
}

// The wizard's sheet comes from the common-controls library as well: the system's copy shows
// it (the planted copy has none, and the installation would end without installing anything).
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

    // Without the hardening the side-by-side store still supplies the sheet (see above).
    fs::remove(folder().hostFile("trace.txt"));
    RunResult open = RunDriven({folder().windowsFile("SETUP.EXE")},
                               {"press", "CANCEL", "60000", "answer", "Confirm", "6", "60000"}, PreferPlanted(false));
    EXPECT_EQ(open.exitCode, 0) << open.output;
    EXPECT_EQ(wizardResult(), "0");
    EXPECT_FALSE(Loaded(folder().hostPath()));
}

// The copy runs from a folder of its own inside the temporary folder, which nobody but
// administrators can write: a library planted in the temporary folder is not beside it, and
// the hardening keeps the search out of the temporary folder as well.
TEST_F(Hardening, LibraryInTheTemporaryFolderIsNotLoadedByTheUninstallerCopy) {
    fs::path temp = HostPath(UserTempDirectory());
    WriteCompanionInstaller(TestStubPath(), folder().hostFile("UNINST.EXE"), 1);
    Plant(folder().hostPath());
    Plant(temp);
    for (bool hardened : {true, false}) {
        SCOPED_TRACE(hardened);
        fs::remove(folder().hostFile("trace.txt"));
        RunResult run = RunWine({folder().windowsFile("UNINST.EXE")}, ProgramTimeout, PreferPlanted(hardened));
        EXPECT_EQ(run.exitCode, 0) << run.output;
        Drive({"answer", "Confirm", "7", "60000"});  // the copy asks first: No removes nothing
        ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";
        EXPECT_FALSE(Loaded(temp));
        std::vector<TraceEvent> trace = Trace();
        std::string copy = FindEvent(trace, TracedProcesses(trace)[1], "module")->value;
        fs::remove_all(HostPath(copy.substr(0, copy.rfind('\\'))));
    }
    EXPECT_FALSE(Loaded(folder().hostPath()));
    for (const char* name : {"comctl32.dll", "comctl32.dll.loaded"}) fs::remove(temp / name);
}
