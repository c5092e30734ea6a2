// Quiet installations on the host: the switches' choices and refusals, the answers given in
// the user's place, the exit codes, and the account of the run. Nothing is ever shown.
#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "EngineTestSupport.h"
#include "install/DialogIds.h"
#include "install/RunAccount.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "shell/QuietRun.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"
#include "wizard/RunInstallation.h"

namespace {
const std::string App = "C:\\Apps\\Sample\\";
const char ChoicesKey[] = "Software\\ZelSetup\\Sample Viewer";
const long long PackagedSeconds = 1700000000;

std::vector<u8> Text(const std::string& s) { return std::vector<u8>(s.c_str(), s.c_str() + s.size() + 1); }

class QuietRun : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        g_run.quiet = Quietness::VerySilent;
        PlatformAnswerMessageBoxes(QuietAnswer);
    }
    void Start(const InstallPackage& package) {
        std::string exe = dir.file("SETUP.EXE");
        WriteFileBytes(exe, BuildInstallerImage(stub, package));
        RunAs(exe, static_cast<u32>(stub.size()));
        ASSERT_TRUE(OpenNextVolume());
        ASSERT_TRUE(ReadPackageHeader());
    }
    // The run's exit code; nothing may have been shown on the way.
    int Run() {
        RunInstallation(nullptr, nullptr);
        fake::JoinThreads();
        EXPECT_TRUE(fake::Wizards().empty());
        EXPECT_TRUE(fake::ShownBoxes().empty());
        for (const fake::ShownDialog& d : fake::ShownDialogs()) EXPECT_EQ(d.templateId, PROGRESS_DIALOG);
        return g_run.exitCode;
    }
    static PackageFile File(const std::string& name) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\" + name;
        f.record.time = FileTimeFromUnix(PackagedSeconds);
        f.data = {'n', 'e', 'w'};
        return f;
    }
    void Installed(const std::string& name, long long seconds) {
        std::string host = Host(App + name);
        std::filesystem::create_directories(std::filesystem::path(host).parent_path());
        WriteFileBytes(host, {'o', 'l', 'd'});
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, host.c_str(), times, 0);
    }
    static std::string Remembered(const char* name) {
        auto value = fake::GetRegistryValue(RootLocalMachine, ChoicesKey, name);
        return value ? std::string(value->data.begin(), value->data.end() - 1) : "<none>";
    }
};
}  // namespace

TEST_F(QuietRun, OutcomesGiveTheDeploymentExitCodes) {
    EXPECT_EQ(ExitCodeFor(InstallOutcome::Complete, false), 0);
    EXPECT_EQ(ExitCodeFor(InstallOutcome::CompleteRestart, false), 3010);
    EXPECT_EQ(ExitCodeFor(InstallOutcome::AskRestart, false), 3010);
    EXPECT_EQ(ExitCodeFor(InstallOutcome::Cancelled, false), 1602);  // Cancel in the progress dialog
    EXPECT_EQ(ExitCodeFor(InstallOutcome::Cancelled, true), 1603);   // a volume or read given up
    EXPECT_EQ(ExitCodeFor(InstallOutcome::Corrupted, false), 1603);
    EXPECT_EQ(ExitCodeFor(InstallOutcome::NotWritten, false), 1603);

    // The answers in the user's place: give up a prompt, keep a shared file, say yes else.
    EXPECT_EQ(QuietAnswer(MbOk | MbIconError), IdOk);
    EXPECT_FALSE(g_run.gaveUp);
    EXPECT_EQ(QuietAnswer(MbYesNo | MbIconQuestion), IdYes);
    EXPECT_EQ(QuietAnswer(MbYesNo | MbIconQuestion | MbDefaultButton2), IdNo);
    EXPECT_EQ(QuietAnswer(MbYesNoCancel | MbIconInformation), IdYes);
    EXPECT_FALSE(g_run.gaveUp);
    EXPECT_EQ(QuietAnswer(MbRetryCancel | MbIconError), IdCancel);
    EXPECT_TRUE(g_run.gaveUp);
    EXPECT_EQ(QuietAnswer(MbOkCancel | MbIconWarning), IdCancel);
}

TEST_F(QuietRun, SwitchesWinOverRememberedChoicesWhichWinOverTheDefaults) {
    fake::SetRegistryValue(RootLocalMachine, ChoicesKey, "Path", RegString, Text("D:\\Mine"));
    fake::SetRegistryValue(RootLocalMachine, ChoicesKey, "SPath", RegString, Text("My Menu"));
    InstallPackage p = Product();
    p.header.ProgramDir = "Sample";  // not fixed
    Start(p);
    g_run.dir = "D:\\Chosen Place\\";
    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(g_setup.ProgramDir, "D:\\Chosen Place");  // taken as the wizard takes it
    EXPECT_STREQ(g_setup.ShortcutFolder, "My Menu");
    EXPECT_TRUE(Exists("D:\\Chosen Place\\UNINST.EXE"));
    EXPECT_EQ(Remembered("Path"), "D:\\Chosen Place");

    SetUp();
    fake::SetRegistryValue(RootLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", RegString,
                           Text("C:\\Program Files"));
    Start(p);
    g_run.group = "Deploy";
    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(g_setup.ProgramDir, "C:\\Program Files\\Sample");
    EXPECT_EQ(Remembered("SPath"), "Deploy");
}

TEST_F(QuietRun, RefusedRunsWriteNothingAndTheRightPasswordInstalls) {
    InstallPackage p = Product();  // C:\Apps\Sample, fixed
    p.header.PasswordChecksum = PasswordChecksumFor("SECRET");
    struct Case {
        const char* dir;
        const char* password;
        int code;
    } cases[] = {{nullptr, nullptr, 1602}, {nullptr, "secrets", 1602}, {"C:\\Elsewhere", "secret", 1602},
                 {nullptr, "SeCreT", 0}};
    for (const Case& c : cases) {
        SetUp();
        Start(p);
        g_run.dir = c.dir;
        g_run.password = c.password;
        EXPECT_EQ(Run(), c.code) << (c.password ? c.password : "no password");
        EXPECT_EQ(Exists(App + "UNINST.EXE"), c.code == 0);
        EXPECT_EQ(fake::RegistryKeyExists(RootLocalMachine, ChoicesKey), c.code == 0);
    }
}

TEST_F(QuietRun, NewerFilesAreKeptFilesInUseWaitForTheRestartAndTheAccountSaysSo) {
    InstallPackage p = Product();
    p.files = {File("newer.txt"), File("busy.txt"), File("fresh.txt")};
    p.shortcuts = {"{OurShortcutDir}\\Fresh={OurProgramDir}\\fresh.txt"};
    p.registry = {":HKEY_LOCAL_MACHINE\\Software\\Sample Co", "Edition=S1"};
    Installed("newer.txt", PackagedSeconds + 60);
    Installed("busy.txt", PackagedSeconds);
    fake::SetInUse(App + "busy.txt", true);
    fake::SetSpecialFolder(FolderPrograms, "C:\\Menu");
    Start(p);
    std::string account = root.file("account.txt");
    OpenRunAccount(account.c_str());
    g_run.quiet = Quietness::Silent;  // with the progress dialog

    EXPECT_EQ(Run(), 3010);
    EXPECT_EQ(Contents(App + "newer.txt"), (Bytes{'o', 'l', 'd'}));
    EXPECT_EQ(Contents(App + "busy.txt.NewTemp"), (Bytes{'n', 'e', 'w'}));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{App + "busy.txt.NewTemp", App + "busy.txt"}}));
    OpenRunAccount("");  // no account for the tests that follow
    std::ifstream in(account);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.size() - 1));
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "kept " + App + "newer.txt", "put aside " + App + "busy.txt.NewTemp", "written " + App + "fresh.txt",
                         "shortcut C:\\Menu\\Sample\\Fresh.lnk", "key HKEY_LOCAL_MACHINE\\Software\\Sample Co", "value Edition",
                         "outcome: Installation complete! Some files could not be updated immediately; you will need to "
                         "restart Windows to finalize the installation."}));
}

TEST_F(QuietRun, AFileThatCannotBeWrittenFailsAndNothingAfterItIsRegistered) {
    InstallPackage p = Product();
    p.files = {File("a.txt")};
    p.registry = {":HKEY_LOCAL_MACHINE\\Software\\Sample Co", "Edition=S1"};
    fake::FailWritesTo(App + "a.txt.NewTemp");  // where the data goes first
    Start(p);
    EXPECT_EQ(Run(), 1603);
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, "Software\\Sample Co"));
}
