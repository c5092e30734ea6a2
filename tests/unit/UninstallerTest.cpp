// The Uninstaller over the fake platform: a log replayed into files, shared-file counts,
// questions about read-only and locked files, the registry pass and the abort path.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ExamineTestSupport.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "remove/Uninstaller.h"
#include "shell/QuietRun.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

// The running temporary copy.
const std::string RunningCopy = "C:\\TEMP\\UNINST.EXE";
const std::string UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample";
const std::string SharedCountsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string DoneText = "This program has been removed.";
const std::string NoLongerNeeded =
    "The Windows Registry indicates that this shared file is no longer needed. However, it may be mistaken; "
    "deleting it could cause other programs to stop working. Shall I delete the shared file?";
const std::string CancelledText =
    "Uninstall cancelled; some files were not removed. Please re-run the uninstall program when they are no "
    "longer in use.";

std::vector<u8> Dword(u32 v) { return {u8(v), u8(v >> 8), u8(v >> 16), u8(v >> 24)}; }
std::vector<u8> Text(const std::string& s) { return std::vector<u8>(s.c_str(), s.c_str() + s.size() + 1); }

class Uninstall : public HostProcessTest {
protected:
    void SetUp() override {
        HostProcessTest::SetUp();
        fake::SetDriveRoot(dir.path().string());
        fake::SetWindowsDirectory("C:\\WINDOWS");
        fake::SetSystemDirectory("C:\\WINDOWS\\SYSTEM");
        fake::SetSpecialFolder(FolderDesktop, "C:\\Users\\me\\Desktop");
        fake::SetSpecialFolder(FolderPrograms, "C:\\Users\\me\\Programs");
        window = fake::NewTestWindow();
    }
    // UNINST.EXE with this log, running and read up to its log as start-up leaves it.
    void Log(const Texts& records) {
        Bytes stub = FakeStub();
        Touch(RunningCopy);
        WriteFileBytes(fake::HostPath(RunningCopy), BuildCompanionImage(stub, {1, "Title", "Footer", "Sample", records}));
        RunAs(RunningCopy, static_cast<u32>(stub.size()));
        ASSERT_TRUE(OpenNextVolume() && ReadPackageHeader());
    }
    static void Touch(const std::string& path) {
        fs::create_directories(fs::path(fake::HostPath(path)).parent_path());
        WriteFileBytes(fake::HostPath(path), {'x'});
    }
    static bool Exists(const std::string& path) { return fs::exists(fake::HostPath(path)); }
    // Answers each box by its caption: the confirmation with Yes, "Done." and the abort
    // message with OK, every other one from `answers` in order.
    void Run(std::vector<int> answers = {}) {
        std::size_t next = 0;
        fake::SetMessageBoxHandler([&](const ShownMessageBox& box) {
            if (box.caption == "Confirm") return int(IdYes);
            if (box.caption == "Done." || box.caption.empty()) return int(IdOk);
            return next < answers.size() ? answers[next++] : int(IdCancel);
        });
        RunUninstaller(nullptr, window);
        EXPECT_EQ(next, answers.size()) << "questions asked";
        EXPECT_EQ(fake::StartUpCalls().back(), "post 16");
    }
    static Texts Captions() {
        Texts captions;
        for (const ShownMessageBox& box : fake::ShownBoxes()) captions.push_back(box.caption);
        return captions;
    }
    static std::optional<u32> SharedCount(const std::string& path) {
        auto value = fake::GetRegistryValue(RootLocalMachine, SharedCountsKey, path);
        if (!value) return std::nullopt;
        return LoadU32(value->data.data());
    }

    TempDir dir;
    WindowHandle window = nullptr;
};
}  // namespace

TEST_F(Uninstall, RemovesLoggedFilesValuesEmptiedKeysAndFoldersButNotTheSystemsFolders) {
    const Texts files = {"C:\\App\\FINALIZE.EXE", "C:\\App\\viewer.exe", "C:\\App\\data\\shapes.dat",
                         "C:\\Users\\me\\Programs\\Sample\\Viewer.lnk", "C:\\Users\\me\\Desktop\\Viewer.lnk",
                         "C:\\WINDOWS\\SYSTEM\\viewer.cpl", "C:\\App\\UNINST.EXE"};
    for (const std::string& f : files) Touch(f);
    fake::SetRegistryValue(RootLocalMachine, "Software\\Sample Co\\Viewer", "Home", RegString, Text("C:\\App"));
    fake::SetRegistryValue(RootLocalMachine, "Software\\Sample Co\\Viewer", "", RegString, Text("default"));
    fake::SetRegistryValue(RootLocalMachine, "Software\\Sample Co\\Other", "Kept", RegDword, Dword(1));
    fake::SetRegistryValue(RootLocalMachine, "Software\\ZelSetup\\Sample", "Path", RegString, Text("C:\\App"));
    fake::SetRegistryValue(RootLocalMachine, "Software\\ZelSetup\\Sample", "SPath", RegString, Text("Sample"));
    fake::SetRegistryValue(RootLocalMachine, UninstallKey, "DisplayName", RegString, Text("Sample"));
    fake::SetRegistryValue(RootLocalMachine, UninstallKey, "UninstallString", RegString, Text("C:\\App\\UNINST.EXE"));
    fake::SetRegistryValue(RootCurrentUser, "Software\\Sample\\Settings", "Colour", RegBinary, {1, 2});
    fake::SetRegistryValue(RootCurrentUser, "Software\\Other", "Kept", RegDword, Dword(1));
    Texts log = files;
    for (const char* line : {"", ":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer", "Home", "@", "",
                             ":hkey_current_user\\Software\\Sample\\Settings", "Colour", "",
                             ":HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Sample", "Path", "SPath", ""})
        log.push_back(line);
    for (const std::string& line : {":HKEY_LOCAL_MACHINE\\" + UninstallKey, std::string("DisplayName"),
                                    std::string("UninstallString"), std::string(), std::string()})
        log.push_back(line);
    Log(log);
    fake::SetInUse(RunningCopy, true);  // a running image cannot be deleted

    bool foldersThereAtDone = false;
    fake::SetMessageBoxHandler([&](const ShownMessageBox& box) {
        if (box.caption == "Done.") foldersThereAtDone = Exists("C:\\App\\data") && Exists("C:\\App");
        return int(box.caption == "Confirm" ? IdYes : IdOk);
    });
    RunUninstaller(nullptr, window);

    for (const std::string& f : files) EXPECT_FALSE(Exists(f)) << f;
    EXPECT_TRUE(foldersThereAtDone) << "folders are removed after the message";
    EXPECT_FALSE(Exists("C:\\App"));
    EXPECT_FALSE(Exists("C:\\Users\\me\\Programs\\Sample"));
    EXPECT_TRUE(Exists("C:\\Users\\me\\Desktop")) << "the desktop itself is not the installation's";
    EXPECT_TRUE(Exists("C:\\WINDOWS\\SYSTEM"));
    EXPECT_EQ(fake::RegistryListing(),
              (Texts{"HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software\\Other",
                     "HKEY_CURRENT_USER\\Software\\Other : Kept = dword 1", "HKEY_LOCAL_MACHINE\\Software",
                     "HKEY_LOCAL_MACHINE\\Software\\Microsoft", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows",
                     "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion",
                     "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                     "HKEY_LOCAL_MACHINE\\Software\\Sample Co", "HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Other",
                     "HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Other : Kept = dword 1"}));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{RunningCopy, ""}}));
    ASSERT_EQ(fake::ShownBoxes().size(), 2u);
    const ShownMessageBox& confirm = fake::ShownBoxes()[0];
    EXPECT_EQ(confirm.text, "Are you SURE you wish to uninstall this program?");
    EXPECT_EQ(confirm.style, unsigned(MbYesNo | MbIconQuestion));
    const ShownMessageBox& done = fake::ShownBoxes()[1];
    EXPECT_EQ(done.text, DoneText);
    EXPECT_EQ(done.style, unsigned(MbIconInformation));
    EXPECT_EQ(done.owner, window);
    EXPECT_EQ(fake::StartUpCalls().back(), "post 16");
}

TEST_F(Uninstall, DeclinedConfirmationRemovesNothing) {
    Touch("C:\\App\\viewer.exe");
    fake::SetRegistryValue(RootCurrentUser, "Software\\Sample", "V", RegDword, Dword(1));
    Log({"C:\\App\\viewer.exe", "", ":HKEY_CURRENT_USER\\Software\\Sample", "V", "", ""});
    fake::QueueAnswers({IdNo});
    RunUninstaller(nullptr, window);
    EXPECT_TRUE(Exists("C:\\App\\viewer.exe"));
    EXPECT_TRUE(fake::GetRegistryValue(RootCurrentUser, "Software\\Sample", "V"));
    EXPECT_EQ(Captions(), Texts{"Confirm"});
    EXPECT_TRUE(fake::RestartMoves().empty());
    EXPECT_EQ(fake::StartUpCalls().back(), "post 16");
}

TEST_F(Uninstall, SharedFilesCountDownAndOnlyTheLastUserIsAsked) {
    const std::string three = "C:\\Shared\\three.dll", unknown = "C:\\Shared\\unknown.dll",
                      zero = "C:\\Shared\\zero.dll", last = "C:\\Shared\\last.dll";
    for (const std::string& f : {three, unknown, zero, last}) Touch(f);
    fake::SetRegistryValue(RootLocalMachine, SharedCountsKey, three, RegDword, Dword(3));
    fake::SetRegistryValue(RootLocalMachine, SharedCountsKey, zero, RegDword, Dword(0));
    fake::SetRegistryValue(RootLocalMachine, SharedCountsKey, last, RegDword, Dword(1));
    Log({three + "\t", unknown + "\t", zero + "\tanything after the TAB", last + "\t", "", ""});
    Run({IdNo, IdYes});  // unknown: keep it; last: delete it

    EXPECT_TRUE(Exists(three));
    EXPECT_EQ(SharedCount(three), 2u);
    EXPECT_TRUE(Exists(unknown));
    EXPECT_EQ(SharedCount(unknown), std::nullopt);
    EXPECT_TRUE(Exists(zero)) << "a count that wraps keeps the file";
    EXPECT_EQ(SharedCount(zero), 0xFFFFFFFFu);
    EXPECT_FALSE(Exists(last));
    EXPECT_EQ(SharedCount(last), std::nullopt);
    EXPECT_EQ(Captions(), (Texts{"Confirm", unknown, last, "Done."}));
    const ShownMessageBox& question = fake::ShownBoxes()[1];
    EXPECT_EQ(question.text, NoLongerNeeded);
    EXPECT_EQ(question.style, unsigned(MbYesNo | MbIconQuestion | MbDefaultButton2));
    EXPECT_TRUE(Exists("C:\\Shared"));
}

TEST_F(Uninstall, ReadOnlyAndLockedFilesAreAskedAboutAndNoKeepsThem) {
    const std::string readOnlyYes = "C:\\App\\yes.txt", readOnlyNo = "C:\\App\\no.txt", locked = "C:\\App\\locked.txt",
                      after = "C:\\App\\after.txt";
    for (const std::string& f : {readOnlyYes, readOnlyNo, locked, after}) Touch(f);
    fake::SetReadOnly(readOnlyYes, true);
    fake::SetReadOnly(readOnlyNo, true);
    fake::SetInUse(locked, true);
    Log({readOnlyYes, readOnlyNo, locked, after, "", ""});
    Run({IdYes, IdNo, IdYes, IdYes, IdNo});

    EXPECT_FALSE(Exists(readOnlyYes));
    EXPECT_TRUE(Exists(readOnlyNo));
    u32 attributes = 0;
    EXPECT_TRUE(PlatformFileAttributes(readOnlyNo.c_str(), &attributes) && (attributes & FileAttributeReadOnly));
    EXPECT_TRUE(Exists(locked)) << "tried three times, then kept";
    EXPECT_FALSE(Exists(after)) << "the pass goes on";
    EXPECT_EQ(Captions(), (Texts{"Confirm", "Confirm?", "Confirm?", "Retry?", "Retry?", "Retry?", "Done."}));
    EXPECT_EQ(fake::ShownBoxes()[1].text, readOnlyYes + "\n\nFile is marked read-only. Do you wish to remove it anyway?");
    EXPECT_EQ(fake::ShownBoxes()[1].style, unsigned(MbYesNoCancel | MbIconInformation));
    EXPECT_EQ(fake::ShownBoxes()[3].text, locked + "\n\nCould not delete file. It may be in use. Shall I try again?");
    EXPECT_EQ(fake::ShownBoxes()[3].style, unsigned(MbYesNoCancel | MbIconError));
    EXPECT_TRUE(Exists("C:\\App"));
}

TEST_F(Uninstall, CancelInAFileQuestionStopsBeforeRegistryFoldersAndSelfDeletion) {
    for (bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only" : "in use");
        fs::remove_all(dir.path());
        SetUp();
        const std::string stuck = "C:\\App\\stuck.txt";
        for (const std::string& f : {std::string("C:\\Shared\\lib.dll"), std::string("C:\\App\\sub\\gone.txt"), stuck,
                                     std::string("C:\\App\\later.txt")})
            Touch(f);
        if (readOnly) fake::SetReadOnly(stuck, true);
        else fake::SetInUse(stuck, true);
        fake::SetRegistryValue(RootLocalMachine, SharedCountsKey, "C:\\Shared\\lib.dll", RegDword, Dword(2));
        fake::SetRegistryValue(RootLocalMachine, "Software\\Sample", "Home", RegDword, Dword(1));
        Log({"C:\\Shared\\lib.dll\t", "C:\\App\\sub\\gone.txt", stuck, "C:\\App\\later.txt", "",
             ":HKEY_LOCAL_MACHINE\\Software\\Sample", "Home", "", ""});
        Run({IdCancel});

        EXPECT_FALSE(Exists("C:\\App\\sub\\gone.txt"));
        EXPECT_TRUE(Exists("C:\\App\\sub")) << "no folder is removed";
        EXPECT_TRUE(Exists(stuck));
        EXPECT_TRUE(Exists("C:\\App\\later.txt"));
        EXPECT_EQ(SharedCount("C:\\Shared\\lib.dll"), 1u) << "a count already changed stays changed";
        EXPECT_TRUE(fake::GetRegistryValue(RootLocalMachine, "Software\\Sample", "Home")) << "no registry pass";
        EXPECT_TRUE(Exists(RunningCopy));
        EXPECT_TRUE(fake::RestartMoves().empty());
        const ShownMessageBox& abort = fake::ShownBoxes().back();
        EXPECT_EQ(abort.text, CancelledText);
        EXPECT_EQ(abort.caption, "") << "the system's default caption";
        EXPECT_EQ(abort.style, unsigned(MbIconError));
        EXPECT_EQ(abort.owner, window);
    }
}

TEST_F(Uninstall, AKeyGroupThatCannotBeOpenedIsSkippedAndLaterGroupsAreRemoved) {
    fake::SetRegistryValue(RootLocalMachine, "Software\\Locked", "V", RegDword, Dword(1));
    fake::DenyRegistryKey(RootLocalMachine, "Software\\Locked");
    fake::SetRegistryValue(RootLocalMachine, "Software\\After", "V", RegDword, Dword(1));
    fake::SetRegistryValue(RootLocalMachine, UninstallKey, "DisplayName", RegString, Text("Sample"));
    Log({"", ":HKEY_LOCAL_MACHINE\\Software\\Locked", "V", "", ":HKEY_USERS\\.DEFAULT\\Sample", "V", "",
         ":HKEY_LOCAL_MACHINE\\Software\\After", "V", "", ":HKEY_LOCAL_MACHINE\\" + UninstallKey, "DisplayName", "",
         ""});
    Run();
    EXPECT_TRUE(fake::GetRegistryValue(RootLocalMachine, "Software\\Locked", "V"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, "Software\\After"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, UninstallKey)) << "the product no longer appears installed";
}

TEST_F(Uninstall, AFolderOrItsOwnRunningFileInTheLogIsNotAskedAbout) {
    Touch("C:\\App\\folder\\user.txt");
    // Run in place (its copy could not be made), the Uninstaller finds its own file logged.
    Log({"C:\\App\\folder", RunningCopy, "", ""});
    fake::SetInUse(RunningCopy, true);
    Run();
    EXPECT_TRUE(Exists("C:\\App\\folder\\user.txt"));
    EXPECT_EQ(Captions(), (Texts{"Confirm", "Done."}));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{RunningCopy, ""}}));
}

TEST_F(Uninstall, ALogCutShortEndsWithItsFileNeverAskingForAnotherDisk) {
    // What a full disk can leave behind: file lines, then nothing, not even the end markers.
    Touch("C:\\App\\a.txt");
    Touch("C:\\App\\b.txt");
    Log({"C:\\App\\FINALIZE.EXE", "C:\\App\\a.txt", "C:\\App\\b.txt"});
    Run();
    EXPECT_FALSE(Exists("C:\\App\\a.txt"));
    EXPECT_FALSE(Exists("C:\\App\\b.txt"));
    EXPECT_FALSE(Exists("C:\\App"));
    EXPECT_EQ(Captions(), (Texts{"Confirm", "Done."}));
}

TEST_F(Uninstall, EmptiedFoldersGoUpToTheProgramDirectoryAndNoFurther) {
    const Texts files = {"C:\\Apps\\Sample\\FINALIZE.EXE", "C:\\Apps\\Sample\\bin\\app.exe",
                         "C:\\Apps\\Sample\\lib\\py\\mod.py", "C:\\Apps\\Sample\\data\\deep\\x.dat",
                         "C:\\Apps\\Sample\\UNINST.EXE"};
    for (const std::string& f : files) Touch(f);
    Texts log = files;
    log.insert(log.end(), {"", ""});
    Log(log);
    Run();
    EXPECT_FALSE(Exists("C:\\Apps\\Sample"));
    EXPECT_TRUE(Exists("C:\\Apps")) << "above the program directory nothing is removed";
}

TEST_F(Uninstall, AFolderStillHoldingAFileKeepsItsParents) {
    const Texts files = {"C:\\Apps\\Sample\\FINALIZE.EXE", "C:\\Apps\\Sample\\lib\\py\\mod.py",
                         "C:\\Apps\\Sample\\data\\deep\\x.dat", "C:\\Apps\\Sample\\UNINST.EXE"};
    for (const std::string& f : files) Touch(f);
    Touch("C:\\Apps\\Sample\\data\\mine.txt");  // the user's, never logged
    Texts log = files;
    log.insert(log.end(), {"", ""});
    Log(log);
    Run();
    EXPECT_FALSE(Exists("C:\\Apps\\Sample\\lib"));
    EXPECT_FALSE(Exists("C:\\Apps\\Sample\\data\\deep"));
    EXPECT_TRUE(Exists("C:\\Apps\\Sample\\data\\mine.txt"));
}

TEST_F(Uninstall, QuietlyItAsksNothingKeepsUnneededSharedFilesAndLeavesFilesInUseToTheRestart) {
    const std::string readOnly = "C:\\App\\read only.txt", locked = "C:\\App\\locked.txt", shared = "C:\\Shared\\lib.dll";
    for (const std::string& f : {readOnly, locked, shared}) Touch(f);
    fake::SetReadOnly(readOnly, true);
    fake::SetInUse(locked, true);
    Log({readOnly, locked, shared + "\t", "", ""});
    g_run.quiet = Quietness::VerySilent;
    PlatformAnswerMessageBoxes(QuietAnswer);
    RunUninstaller(nullptr, window);

    EXPECT_TRUE(fake::ShownBoxes().empty());
    EXPECT_FALSE(Exists(readOnly)) << "removed, as it was installed";
    EXPECT_TRUE(Exists(shared)) << "the safe answer: kept";
    EXPECT_FALSE(SharedCount(shared));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{locked, ""}}));
    EXPECT_EQ(g_run.exitCode, 3010);

    // Nothing in use: only the running copy waits for the restart, and that needs none.
    fs::remove_all(dir.path());
    SetUp();
    Touch("C:\\App\\plain.txt");
    Log({"C:\\App\\plain.txt", "", ""});
    fake::SetInUse(RunningCopy, true);
    g_run.quiet = Quietness::VerySilent;
    PlatformAnswerMessageBoxes(QuietAnswer);
    RunUninstaller(nullptr, window);
    EXPECT_FALSE(Exists("C:\\App\\plain.txt"));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{RunningCopy, ""}}));
    EXPECT_EQ(g_run.exitCode, 0);
}
