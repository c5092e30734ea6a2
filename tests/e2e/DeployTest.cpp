// Quiet runs under Wine, with nobody answering anything: the installer's switches and exit
// codes, the Apps entry it writes, its account, and the quiet Uninstaller that the entry
// names, whose first process returns only when the removal is over.
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "packwright/builder/BuildInstaller.h"
#include "support/InstalledProducts.h"
#include "support/PrefixSnapshot.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const std::string Root = "C:\\Deploy Test";  // a deployment's own folder, there before
const std::string App = Root + "\\App";
const std::string AppsKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Deploy Notes";
const std::string SessionManager = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";
const std::string Password = "/PASSWORD=deploy";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
bool Exists(const std::string& windowsPath) { return fs::exists(HostPath(windowsPath)); }
bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Deploy : public StubTest {
protected:
    void SetUp() override {
        StubTest::SetUp();
        // The parents too: the removal prunes keys it emptied, and the comparison must not
        // count empty ones an earlier run left.
        for (const char* key : {"HKEY_LOCAL_MACHINE\\Software\\Sample Software", "HKEY_LOCAL_MACHINE\\Software\\ZelSetup",
                                AppsKey.c_str()})
            RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
        fs::remove_all(HostPath(Root));
        fs::remove_all(HostPath(ExpandInPrefix("{OurShortcutDir}", "", "Deploy")));
        fs::create_directories(HostPath(Root));
        // No earlier test's move or deletion is still waiting.
        ASSERT_EQ(RunWine({"wineboot", "-e", "-r"}, ProgramTimeout).exitCode, 0);
    }
    void TearDown() override { fs::remove_all(HostPath(Root)); }

    // The shipped Stub with the product's Package, in the test's folder.
    std::string Installer() {
        std::string setup = folder().windowsFile("deploy notes setup.exe");
        BuildOptions build;
        build.manifestPath = TestProductManifest("deploy").string();
        build.outputPath = HostPath(setup).string();
        build.stubPath = StubPath().string();
        build.messages = nullptr;
        BuildInstaller(build);
        return setup;
    }

    // Runs a command line exactly as given, as a deployment tool does; its exit code.
    static int Run(const std::string& commandLine) {
        RunResult run = Drive({"start", commandLine, "240000"}, Milliseconds(300000));
        std::vector<std::string> exits = DriverValues(run.output, "exit");
        EXPECT_EQ(exits.size(), 1u) << run.output;
        return exits.empty() ? -1 : std::stoi(exits[0]);
    }
    int Setup(const std::string& setup, const std::string& switches) { return Run("\"" + setup + "\" " + switches); }
};
}  // namespace

TEST_F(Deploy, RefusedWithoutPasswordThenInstalledWithTheFullAppsEntryAndRemovedByItsQuietCommand) {
    std::string setup = Installer();
    PrefixSnapshot before = TakePrefixSnapshot();

    EXPECT_EQ(Setup(setup, "/VERYSILENT /DIR=" + App + " /GROUP=Deploy"), 1602);
    EXPECT_EQ(Difference(before, TakePrefixSnapshot()), std::vector<std::string>{}) << "the refusal wrote something";

    std::string log = folder().windowsFile("install log.txt");
    EXPECT_EQ(Setup(setup, "/VERYSILENT /DIR=" + App + " /GROUP=Deploy " + Password + " /LOG=" + log), 0);
    EXPECT_TRUE(Exists(App + "\\Sample Data\\Shapes and Lines\\shapes.dat"));
    EXPECT_TRUE(Exists(App + "\\Sample Data\\notes.ini"));
    std::string link = ExpandInPrefix("{OurShortcutDir}\\Read Me.lnk", App, "Deploy");
    EXPECT_TRUE(Exists(link));
    EXPECT_FALSE(Exists(App + "\\FINALIZE.EXE"));
    const std::pair<const char*, std::string> entry[] = {
        {"DisplayName", "Deploy Notes"},
        {"UninstallString", "\"" + App + "\\UNINST.EXE\""},
        {"QuietUninstallString", "\"" + App + "\\UNINST.EXE\" /S"},
        {"DisplayVersion", "3.1.4"},
        {"Publisher", "Sample Software Ltd."},
        {"URLInfoAbout", "https://example.com/deploy-notes"},
        {"DisplayIcon", App + "\\Sample Data\\notes.ini"},
        {"InstallLocation", App},
        {"EstimatedSize", "0x1"},  // the sample's files: under 1 KiB in all
        {"NoModify", "0x1"},
        {"NoRepair", "0x1"}};
    for (const auto& [name, value] : entry) EXPECT_EQ(QueryRegistry(AppsKey, name), value) << name;
    EXPECT_EQ(QueryRegistry("HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Deploy Notes", "Path"), App);

    std::vector<std::string> account = ReadLines(folder().hostFile("install log.txt"));
    const std::vector<std::string> expected = {"written " + App + "\\readme.txt",
                                               "written " + App + "\\Sample Data\\Shapes and Lines\\shapes.dat",
                                               "shortcut " + link,
                                               "key HKEY_LOCAL_MACHINE\\Software\\Sample Software\\Deploy Notes",
                                               "value Edition",
                                               "value QuietUninstallString",
                                               "outcome: Installation complete! You can use the program immediately.",
                                               "exit code 0"};
    for (const std::string& line : expected)
        EXPECT_TRUE(Has(account, line)) << line;

    // The command the Apps entry names; its process returns once everything is gone.
    std::optional<std::string> quiet = QueryRegistry(AppsKey, "QuietUninstallString");
    ASSERT_TRUE(quiet);
    EXPECT_EQ(Run(*quiet), 0);
    EXPECT_FALSE(Exists(App));
    EXPECT_FALSE(Exists(link));
    EXPECT_FALSE(RegistryKeyExists(AppsKey));

    // Only the Uninstaller's temporary copy and its folder are left, and they wait for the
    // restart.
    const std::string copiesStart = UserTempDirectory() + "\\~ZS";
    std::vector<std::string> difference = Difference(before, TakePrefixSnapshot());
    for (const std::string& line : difference)
        EXPECT_TRUE(line.find("+ file " + copiesStart) == 0 || line.find("+ folder " + copiesStart) == 0 ||
                    line.find("PendingFileRenameOperations") != std::string::npos)
            << line;
    std::optional<std::string> pending = QueryRegistry(SessionManager, "PendingFileRenameOperations");
    ASSERT_TRUE(pending);
    EXPECT_NE(Lower(*pending).find(Lower(copiesStart)), std::string::npos) << *pending;
}

TEST_F(Deploy, ADamagedInstallerFailsAndAFileInUseAsksForARestart) {
    std::string setup = Installer();
    PrefixSnapshot before = TakePrefixSnapshot();
    // Cut short, as an interrupted download is.
    std::string damaged = folder().windowsFile("damaged setup.exe");
    fs::copy_file(HostPath(setup), HostPath(damaged));
    fs::resize_file(HostPath(damaged), fs::file_size(HostPath(damaged)) - 100);
    EXPECT_EQ(Setup(damaged, "/S " + Password + " /D=" + App), 1603);
    EXPECT_EQ(Difference(before, TakePrefixSnapshot()), std::vector<std::string>{}) << "the failure registered something";

    ASSERT_EQ(Setup(setup, "/S " + Password + " /D=" + App), 0);
    WineProcess holder({DriverPath().string(), "hold", App + "\\readme.txt", "sleep", "240000"});
    ASSERT_TRUE(WaitUntil(ProgramTimeout, [&] { return holder.Output().find("held:") != std::string::npos; }));
    std::string log = folder().windowsFile("again.txt");
    // The progress dialog shows this time; nothing asks about the files already there.
    EXPECT_EQ(Setup(setup, "/SILENT /NORESTART " + Password + " /LOG=\"" + log + "\" /D=" + App), 3010);
    holder.Kill();
    std::optional<std::string> pending = QueryRegistry(SessionManager, "PendingFileRenameOperations");
    ASSERT_TRUE(pending);
    EXPECT_NE(Lower(*pending).find(Lower(App + "\\readme.txt.NewTemp")), std::string::npos) << *pending;
    std::vector<std::string> account = ReadLines(folder().hostFile("again.txt"));
    EXPECT_TRUE(Has(account, "put aside " + App + "\\readme.txt.NewTemp"));
    EXPECT_TRUE(Has(account, "exit code 3010"));
}
