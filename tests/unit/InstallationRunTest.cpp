// RunInstallation on the host: remembered choices and the default directory, the wizard
// through the fake sheet, a real installation behind it, and the completion: what is
// registered, deleted or opened, and which message ends the run.
#include "EngineTestSupport.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"
#include "wizard/PageIds.h"
#include "wizard/RunInstallation.h"

namespace {
using Step = fake::WizardStep;
const Step Next = {Step::Next, 0, {}};
const Step Finish = {Step::Finish, 0, {}};
const Step Cancel = {Step::Cancel, 0, {}};

const char ChoicesKey[] = "Software\\ZelSetup\\Sample Viewer";
const char RunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char RunAfterKey[] = "SOFTWARE\\Marrowfen\\Packwright\\RunAfter";
const char VersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char Complete[] = "Installation complete! You can use the program immediately.";
const char RestartLater[] =
    "Installation complete! Some files could not be updated immediately; you will need to restart Windows to "
    "finalize the installation.";
const char NotWritten[] =
    "The installation was not successful. One or more files could not be written. Please ensure that no version "
    "of this program is already running and try the installation again.";

std::vector<u8> Text(const std::string& s) {
    std::vector<u8> bytes(s.begin(), s.end());
    bytes.push_back(0);
    return bytes;
}

class InstallationRun : public EngineTest {
protected:
    int token = 0;
    WindowHandle window = &token;  // the BackgroundWindow: not one of the fake's dialogs

    // Makes the installer of this package the running program with its header read, as
    // start-up leaves it.
    void Start(const InstallPackage& package) {
        std::string exe = dir.file("SETUP.EXE");
        WriteFileBytes(exe, BuildInstallerImage(stub, package));
        RunAs(exe, static_cast<u32>(stub.size()));
        ASSERT_TRUE(OpenNextVolume());
        ASSERT_TRUE(ReadPackageHeader());
    }
    iptr Run() {
        iptr result = RunInstallation(nullptr, window);
        fake::JoinThreads();
        return result;
    }
    static InstallPackage BareProduct() {
        InstallPackage p = Product();
        p.header.ProgramDir = "Sample";
        return p;
    }
    static void Remember(const std::string& name, const std::string& value) {
        fake::SetRegistryValue(RootLocalMachine, ChoicesKey, name, RegString, Text(value));
    }
    static std::string StringValue(const std::string& key, const std::string& name) {
        auto value = fake::GetRegistryValue(RootLocalMachine, key, name);
        if (!value) return "<none>";
        return std::string(value->data.begin(), value->data.end());
    }
    bool Closed() const {
        const auto& calls = fake::StartUpCalls();
        return !calls.empty() && calls.back() == "post 16";
    }
};
}  // namespace

TEST_F(InstallationRun, RememberedChoicesAreProposedAndRememberedAgain) {
    Remember("Path", "D:\\Mine");
    Remember("SPath", "My Menu");
    Start(BareProduct());
    fake::ScriptWizard({Next, Next, Finish});
    EXPECT_EQ(Run(), 1);
    const fake::WizardRun& wizard = fake::Wizards().back();
    EXPECT_EQ(wizard.templates, (std::vector<int>{WELCOME_PAGE, DIRECTORY_PAGE, FOLDER_PAGE}));
    EXPECT_EQ(fake::Control(wizard.pages[1], PAGE_FIELD).text, "D:\\Mine");
    EXPECT_EQ(fake::Control(wizard.pages[2], PAGE_FIELD).text, "My Menu");
    EXPECT_EQ(StringValue(ChoicesKey, "Path"), std::string("D:\\Mine") + '\0');
    EXPECT_EQ(StringValue(ChoicesKey, "SPath"), std::string("My Menu") + '\0');
    // No restart needed: the Finalizer is deleted and nothing is scheduled.
    EXPECT_TRUE(Exists("D:\\Mine\\UNINST.EXE"));
    EXPECT_FALSE(Exists("D:\\Mine\\FINALIZE.EXE"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, RunOnceKey));
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].text, Complete);
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Success!");
    EXPECT_EQ(fake::ShownBoxes()[0].owner, window);
    EXPECT_TRUE(Closed());
}

TEST_F(InstallationRun, AFixedDirectoryTakesNoRememberedPathAndNoPrefix) {
    Remember("Path", "D:\\Mine");
    fake::SetRegistryValue(RootLocalMachine, VersionKey, "ProgramFilesDir", RegString, Text("C:\\Program Files"));
    Start(Product());  // C:\Apps\Sample
    fake::QueueAnswers({IdYes});
    fake::ScriptWizard({Next, Cancel});
    EXPECT_EQ(Run(), 0);
    EXPECT_STREQ(g_setup.ProgramDir, "C:\\Apps\\Sample");
    EXPECT_FALSE(fake::Control(fake::Wizards().back().pages[1], PAGE_FIELD).enabled);
}

TEST_F(InstallationRun, ABareDirectoryGoesIntoTheProgramFilesFolder) {
    const std::string tooLong(250, 'x');
    struct Case {
        const char* registry;
        const char* shell;
        const char* expected;
    } cases[] = {
        {nullptr, nullptr, "Sample"},                                  // nothing to go by: the name stays
        {nullptr, "C:\\PF", "C:\\PF\\Sample"},                         // as the shell names it
        {"C:\\Program Files", "C:\\PF", "C:\\Program Files\\Sample"},  // the registry first
        {"", "C:\\PF", "C:\\PF\\Sample"},                              // an empty value is no folder
        {tooLong.c_str(), "C:\\PF", "Sample"},                         // too long together: refused
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        ResetSetupState();
        if (c.registry)
            fake::SetRegistryValue(RootLocalMachine, VersionKey, "ProgramFilesDir", RegString, Text(c.registry));
        if (c.shell) fake::SetSpecialFolder(FolderProgramFiles, c.shell);
        Start(BareProduct());
        fake::QueueAnswers({IdYes});
        fake::ScriptWizard({Cancel});
        Run();
        EXPECT_STREQ(g_setup.ProgramDir, c.expected);
    }
}

TEST_F(InstallationRun, ACancelledWizardWritesNothing) {
    Remember("Path", "D:\\Mine");
    std::vector<std::string> before = fake::RegistryListing();
    Start(BareProduct());
    fake::QueueAnswers({IdYes});
    fake::ScriptWizard({Next, Cancel});
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(fake::RegistryListing(), before);
    EXPECT_FALSE(Exists("D:\\Mine\\UNINST.EXE"));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Do you REALLY want to cancel this installation?"});
    EXPECT_TRUE(Closed());
}

// Names and values that would not fit a 256-byte buffer are refused whole, never cut.
TEST_F(InstallationRun, OverlongKeysAndValuesAreRefused) {
    InstallPackage p = BareProduct();
    p.header.UninstallName = std::string(240, 'n');  // "Software\ZelSetup\" + 240: 258 characters
    std::string longKey = "Software\\ZelSetup\\" + p.header.UninstallName;
    fake::SetRegistryValue(RootLocalMachine, longKey, "Path", RegString, Text("D:\\Mine"));
    fake::SetRegistryValue(RootLocalMachine, VersionKey, "ProgramFilesDir", RegString, Text("C:\\Program Files"));
    Start(p);
    fake::QueueAnswers({IdYes});
    fake::ScriptWizard({Cancel});
    Run();
    EXPECT_STREQ(g_setup.ProgramDir, "C:\\Program Files\\Sample");

    // A remembered value that fills the whole buffer without its terminator.
    ResetSetupState();
    Remember("Path", std::string(255, 'p'));
    fake::SetRegistryValue(RootLocalMachine, ChoicesKey, "SPath", RegString, std::vector<u8>(256, 'q'));
    Start(BareProduct());
    fake::QueueAnswers({IdYes});
    fake::ScriptWizard({Cancel});
    Run();
    EXPECT_EQ(std::string(g_setup.ProgramDir), std::string(255, 'p'));  // 255 and its terminator fit
    EXPECT_STREQ(g_setup.ShortcutFolder, "Sample");
}

TEST_F(InstallationRun, AnOverlongUninstallNameRemembersNothing) {
    InstallPackage p = BareProduct();
    p.header.UninstallName = std::string(240, 'n');
    fake::SetSpecialFolder(FolderProgramFiles, "C:\\Program Files");  // a bare name is no directory to install into
    Start(p);
    fake::ScriptWizard({Next, Next, Finish});
    EXPECT_EQ(Run(), 1);
    for (const std::string& line : fake::RegistryListing())
        EXPECT_EQ(line.find("ZelSetup\\"), std::string::npos) << line;
}

// Files waiting for the Finalizer: it is scheduled by its quoted path (a planted
// C:\Program.exe is never started), the run-after command is handed to it, nothing opens now.
TEST_F(InstallationRun, TheFinalizerIsScheduledByItsQuotedPath) {
    InstallPackage p = Product();
    p.header.ProgramDir = "C:\\Program Files\\Sample";
    p.runAfter = "{OurProgramDir}\\viewer.exe";
    Start(p);
    g_setup.FinalizeNeeded = g_setup.RebootNeeded = true;  // as an in-use file on the older family leaves them
    fake::ScriptWizard({Next, Next, Finish});
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(StringValue(RunOnceKey, "ZelSetup_Finalize"),
              std::string("\"C:\\Program Files\\Sample\\Finalize.exe\"") + '\0');
    EXPECT_EQ(StringValue(RunAfterKey, "RunAfter"), std::string("C:\\Program Files\\Sample\\viewer.exe") + '\0');
    EXPECT_TRUE(Exists("C:\\Program Files\\Sample\\FINALIZE.EXE"));
    EXPECT_TRUE(fake::OpenedByShell().empty());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{RestartLater});
}

TEST_F(InstallationRun, WithoutTheFinalizerTheRunAfterCommandOpensAtOnce) {
    InstallPackage p = Product();
    p.runAfter = "{OurProgramDir}\\viewer.exe";
    Start(p);
    fake::ScriptWizard({Next, Next, Finish});
    Run();
    EXPECT_EQ(fake::OpenedByShell(), std::vector<std::string>{"C:\\Apps\\Sample\\viewer.exe"});
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, RunAfterKey));
}

// Files left for a Finalizer when there is no program directory to hold one: nothing may
// name the missing file, and the program is not complete, so the run says so.
TEST_F(InstallationRun, FilesLeftForAFinalizerThatWasNeverWrittenFailTheRun) {
    InstallPackage p = Product();
    p.header.ProgramDir = "";
    p.header.UninstallName = "";  // no companion programs at all
    p.runAfter = "{WinDir}\\notepad.exe";
    Start(p);
    g_setup.FinalizeNeeded = g_setup.RebootNeeded = true;
    fake::ScriptWizard({Next, Finish});
    Run();
    ASSERT_TRUE(g_setup.InstallOk);
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, RunOnceKey));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, RunAfterKey));
    EXPECT_TRUE(fake::OpenedByShell().empty());
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{NotWritten});
}

TEST_F(InstallationRun, RestartQuestionOnTheOlderFamily) {
    fake::SetNt(false);
    for (int answer : {IdYes, IdNo}) {
        ResetSetupState();
        Start(Product());
        g_setup.RebootNeeded = true;
        fake::QueueAnswers({answer});
        fake::ScriptWizard({Next, Next, Finish});
        std::size_t shown = fake::ShownBoxes().size();
        Run();
        ASSERT_GE(fake::ShownBoxes().size(), shown + 1);
        const ShownMessageBox& question = fake::ShownBoxes()[shown];
        EXPECT_EQ(question.caption, "Restart Windows?");
        EXPECT_EQ(question.style, 0x44u);
        EXPECT_EQ(question.text, std::string(RestartLater) + "\n\nMay I restart Windows now?");
        EXPECT_TRUE(Closed());
    }
    EXPECT_EQ(fake::Restarts(), 1);
    EXPECT_EQ(fake::ShownBoxes().back().text,
              "Remember to restart Windows before trying to use the newly-installed program.");
}

TEST(InstallOutcome, EachMessageForItsFlags) {
    struct Row {
        OutcomeFlags flags;  // finished, installOk, corrupted, rebootNeeded, finalizerMissing, nt
        InstallOutcome outcome;
        const char* begins;
        const char* caption;
        unsigned type;
    } rows[] = {
        {{false, false, true, true, false, true},
         InstallOutcome::Cancelled,
         "You have chosen to cancel the installation.",
         "Cancelled!",
         0x40},
        {{true, false, true, false, false, true},
         InstallOutcome::Corrupted,
         "The installation was not successful. One of the files appears to be corrupted.",
         "Installation Failed!",
         0x10},
        {{true, false, false, true, false, true},
         InstallOutcome::NotWritten,
         "The installation was not successful. One or more files could not be written.",
         "Installation Failed!",
         0x10},
        {{true, true, false, true, true, false},
         InstallOutcome::NotWritten,
         "The installation was not successful. One or more files",
         "Installation Failed!",
         0x10},
        {{true, true, false, true, false, true},
         InstallOutcome::CompleteRestart,
         "Installation complete! Some files could not be updated immediately;",
         "Success!",
         0x40},
        {{true, true, false, true, false, false},
         InstallOutcome::AskRestart,
         "Installation complete! Some files could not be updated immediately;",
         "Restart Windows?",
         0x44},
        {{true, true, true, false, false, false},
         InstallOutcome::Complete,
         "Installation complete! You can use the program immediately.",
         "Success!",
         0x40},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.begins);
        InstallOutcome outcome = ChooseOutcome(row.flags);
        EXPECT_EQ(outcome, row.outcome);
        OutcomeMessage message = MessageFor(outcome);
        EXPECT_EQ(std::string(message.text).rfind(row.begins, 0), 0u) << message.text;
        EXPECT_STREQ(message.caption, row.caption);
        EXPECT_EQ(message.type, row.type);
    }
}
