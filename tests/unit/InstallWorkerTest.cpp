// Whole installations on the host: what the worker writes, logs and reports, completed,
// cancelled, and stopped by damage or a full disk.
#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <set>

#include "EngineTestSupport.h"
#include "install/DialogIds.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Window.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
class InstallWorkerRun : public EngineTest {
protected:
    // Presses Cancel in the progress dialog before its worker starts: the worker meets the
    // request at its first block.
    void PressCancelAtOnce() {
        fake::OnDialogShown(PROGRESS_DIALOG, [](WindowHandle dialog) {
            PlatformSendMessage(dialog, MessageCommand, PROGRESS_CANCEL, 0);
        });
    }
    // The names of the files in a folder.
    std::set<std::string> FilesIn(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Host(folder)))
            if (entry.is_regular_file()) names.insert(entry.path().filename().string());
        return names;
    }
    u64 ModifiedTime(const std::string& path) {
        struct stat st;
        EXPECT_EQ(::stat(Host(path).c_str(), &st), 0);
        return FileTimeFromUnix(st.st_mtim.tv_sec, static_cast<u32>(st.st_mtim.tv_nsec));
    }
};

const std::string App = "C:\\Apps\\Sample\\";
// The groups every installation with an uninstall name logs for the keys it fills itself,
// and the log's end.
const std::vector<std::string> InstallationKeys = {
    ":HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Sample Viewer", "Path", "SPath", "",
    ":HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer", "DisplayName",
    "UninstallString", "", ""};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
const std::vector<std::string> RegistryPart =
    Join({":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer", "Home", "Runs", "Key", ""}, InstallationKeys);
}  // namespace

TEST_F(InstallWorkerRun, CompleteInstallationWithACancelWithdrawn) {
    InstallPackage p = SamplePackage();
    p.header = Product().header;
    PressCancelAtOnce();
    fake::QueueAnswers({IdNo});  // "Do you REALLY wish to cancel": no
    ASSERT_TRUE(Install(p));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"Do you REALLY wish to cancel this installation?"});
    EXPECT_TRUE(g_setup.InstallOk);
    EXPECT_FALSE(g_setup.Cancelled);

    for (const PackageFile& f : p.files) {
        std::string path = f.record.name == "{WinSysDir}\\common.dll" ? "C:\\WINDOWS\\SYSTEM\\common.dll"
                                                                     : App + f.record.name.substr(16);
        EXPECT_EQ(Contents(path), f.data) << path;
        EXPECT_EQ(ModifiedTime(path), f.record.time) << path;
    }
    EXPECT_EQ(FilesIn(App + "data"), (std::set<std::string>{"mixed.bin", "one.bin"}));  // nothing beside them
    EXPECT_EQ(Contents(App + "FINALIZE.EXE"), BuildCompanionImage(stub, {2, "Sample Viewer 2.0", "Sample Co", "Sample Viewer", {}}));
    std::vector<std::string> files = {App + "FINALIZE.EXE",
                                      App + "empty.txt",
                                      App + "readme.txt",
                                      App + "data\\one.bin",
                                      "C:\\WINDOWS\\SYSTEM\\common.dll\t",
                                      App + "data\\mixed.bin",
                                      "C:\\Menu\\Programs\\Sample\\Sample Viewer.lnk",
                                      "C:\\Desk\\Readme.txt",
                                      App + "UNINST.EXE",
                                      ""};
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(Join(files, RegistryPart)));

    auto shortcut = fake::ReadShortcut("C:\\Menu\\Programs\\Sample\\Sample Viewer.lnk");
    ASSERT_TRUE(shortcut);
    EXPECT_EQ(shortcut->target, App + "viewer.exe");
    EXPECT_EQ(shortcut->workingDirectory, "C:\\Apps\\Sample");
    std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer";
    auto command = fake::GetRegistryValue(RootLocalMachine, key, "UninstallString");
    ASSERT_TRUE(command);
    // Quoted: the program directory may hold blanks.
    EXPECT_EQ(std::string(command->data.begin(), command->data.end()), "\"" + App + "UNINST.EXE\"" + std::string(1, '\0'));
    auto home = fake::GetRegistryValue(RootLocalMachine, "Software\\Sample Co\\Viewer", "Home");
    ASSERT_TRUE(home);
    EXPECT_EQ(home->type, RegString);
    EXPECT_STREQ(g_setup.RunAfterCommand, "{OurProgramDir}\\readme.txt");

    WindowHandle dialog = fake::ShownDialogs().front().dialog;
    EXPECT_EQ(fake::Control(dialog, PROGRESS_TOTAL_BAR).rangeMaximum, g_setup.TotalBlocks);
    EXPECT_EQ(fake::Control(dialog, PROGRESS_TOTAL_BAR).position, g_setup.TotalBlocks);
    EXPECT_FALSE(fake::Control(dialog, PROGRESS_CANCEL).visible);
    std::vector<std::string> texts = fake::Control(dialog, PROGRESS_STATUS_TEXT).texts;
    EXPECT_EQ(texts.front(), "Initializing Finalize information...");
    EXPECT_EQ(texts.back(), "Creating registry entries...");
}

TEST_F(InstallWorkerRun, CancelConfirmedEndsTheLogAndLeavesNoPartOfTheOpenFile) {
    InstallPackage p = SamplePackage();
    p.header = Product().header;
    PressCancelAtOnce();
    fake::QueueAnswers({IdYes});
    EXPECT_FALSE(Install(p));
    // The first file was logged before its first block; cut short, it never takes its name.
    EXPECT_EQ(Contents(App + "UNINST.EXE"),
              ExpectedUninstaller(Join({App + "FINALIZE.EXE", App + "empty.txt", App + "UNINST.EXE", ""}, InstallationKeys)));
    EXPECT_EQ(FilesIn(App), (std::set<std::string>{"FINALIZE.EXE", "UNINST.EXE"}));
    EXPECT_FALSE(Exists(App + "readme.txt"));
    EXPECT_FALSE(Exists("C:\\Menu\\Programs\\Sample\\Sample Viewer.lnk"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, "Software\\Sample Co"));
    EXPECT_STREQ(g_setup.RunAfterCommand, "");
    EXPECT_TRUE(g_setup.InstallOk);
}

TEST_F(InstallWorkerRun, DamagedBlockStopsTheFileAndNothingAfterItIsRead) {
    ByteVector first(1000, 'a'), second(1000, 'b'), third(500, 'c');
    RawStream damaged = RawStream().Block(second);
    damaged.bytes.back() ^= 0x40;  // its stored bytes no longer match their checksum
    RawStream sections;
    sections.Counted("{OurProgramDir}\\data.bin").U16(3).U32(0).U32(0).U32(0x12345678).U32(0x01D00000).U8(0);
    sections.Block(first);
    sections.bytes.insert(sections.bytes.end(), damaged.bytes.begin(), damaged.bytes.end());
    sections.Block(third).End();
    sections.Counted("{OurProgramDir}\\Tool={OurProgramDir}\\data.bin").U8(0);
    sections.Counted(":HKEY_CURRENT_USER\\Software\\Sample").Counted("v=Sx").U8(0);
    sections.Counted("{OurProgramDir}\\data.bin");

    EXPECT_TRUE(Install(RawImage(sections)));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"There was an error extracting a file."});
    EXPECT_FALSE(g_setup.InstallOk);
    EXPECT_TRUE(g_setup.Corrupted);
    // No part of it is kept under any name; it is logged all the same.
    EXPECT_EQ(FilesIn(App), (std::set<std::string>{"FINALIZE.EXE", "UNINST.EXE"}));
    EXPECT_EQ(Contents(App + "UNINST.EXE"),
              ExpectedUninstaller(Join({App + "FINALIZE.EXE", App + "data.bin", App + "UNINST.EXE", ""}, InstallationKeys)));
    // The rest of the file's blocks never become a shortcut, a key or a command.
    EXPECT_FALSE(Exists(App + "Tool.lnk"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootCurrentUser, "Software\\Sample"));
    EXPECT_STREQ(g_setup.RunAfterCommand, "");
}

TEST_F(InstallWorkerRun, FullDiskFailsTheFileInUseWithoutAskingForItsReplacement) {
    InstallPackage p = Product();
    PackageFile big;
    big.record.name = "{OurProgramDir}\\big.bin";
    big.record.time = FileTimeFromUnix(2000000000);  // newer than the installed file: no question
    big.data = ByteVector(3 * BuiltBlockSize, 0x77);
    p.files.push_back(big);
    p.shortcuts = {"{OurProgramDir}\\Big={OurProgramDir}\\big.bin"};
    std::filesystem::create_directories(Host("C:\\Apps\\Sample"));
    WriteFileBytes(Host(App + "big.bin"), {1, 2, 3});
    fake::SetInUse(App + "big.bin", true);
    fake::QueueAnswers({IdYes});  // "Overwrite?"
    std::size_t companions = 2 * (stub.size() + 64);
    fake::SetDiskSpace(companions + BuiltBlockSize + 100);

    EXPECT_TRUE(Install(p));
    EXPECT_EQ(MessageTexts().back(), "There was an error extracting a file.");
    EXPECT_FALSE(g_setup.InstallOk);
    // A short copy must never replace the installed file, not even at the next restart.
    EXPECT_TRUE(fake::RestartMoves().empty());
    EXPECT_FALSE(g_setup.RebootNeeded);
    EXPECT_EQ(Contents(App + "big.bin"), (Bytes{1, 2, 3}));
    EXPECT_EQ(FilesIn(App), (std::set<std::string>{"FINALIZE.EXE", "UNINST.EXE", "big.bin"}));
    // Logged by its target before its data, so that the Uninstaller removes it; the full
    // disk then takes the log's end as well. The shortcut is never read.
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller({App + "FINALIZE.EXE", App + "big.bin"}));
    EXPECT_FALSE(Exists(App + "Big.lnk"));
}

// A write that fails or comes up short (a full disk) leaves no part of the file under any
// name, and the older installed file it was to replace keeps its bytes and its time.
TEST_F(InstallWorkerRun, FailedOrShortWriteLeavesTheInstalledFileAsItWas) {
    const std::string lib = App + "lib\\";
    std::vector<std::function<void()>> failures = {
        [&] { fake::FailWritesTo(lib + "big.bin.NewTemp"); },  // where the data goes first
        [&] { fake::SetDiskSpace(2 * (stub.size() + 64) + BuiltBlockSize + 100); },
    };
    for (const auto& fail : failures) {
        TearDown();
        SetUp();
        InstallPackage p = Product();
        PackageFile big;
        big.record.name = "{OurProgramDir}\\lib\\big.bin";
        big.record.time = FileTimeFromUnix(2000000000);  // newer than the installed file: no question
        big.data = ByteVector(3 * BuiltBlockSize, 0x77);
        p.files = {big};
        std::filesystem::create_directories(Host(lib));
        WriteFileBytes(Host(lib + "big.bin"), {1, 2, 3});
        u64 installedTime = ModifiedTime(lib + "big.bin");
        fake::QueueAnswers({IdYes});  // "Overwrite?"
        fail();

        EXPECT_TRUE(Install(p));
        EXPECT_EQ(MessageTexts().back(), "There was an error extracting a file.");
        EXPECT_EQ(Contents(lib + "big.bin"), (Bytes{1, 2, 3}));
        EXPECT_EQ(ModifiedTime(lib + "big.bin"), installedTime);
        EXPECT_EQ(FilesIn(lib), std::set<std::string>{"big.bin"});
    }
}

TEST_F(InstallWorkerRun, AShortUninstallerIsRemovedAndNothingIsInstalled) {
    InstallPackage p = SamplePackage();
    p.header = Product().header;
    fake::FailWritesTo(App + "UNINST.EXE");
    EXPECT_TRUE(Install(p));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"There was an error writing '" + App +
                                                       "UNINST.EXE'. The installation cannot go on."});
    EXPECT_FALSE(g_setup.InstallOk);
    EXPECT_FALSE(Exists(App + "UNINST.EXE"));
    EXPECT_FALSE(Exists(App + "readme.txt"));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer"));
    EXPECT_EQ(g_setup.InstallLogHandle, nullptr);
}

TEST_F(InstallWorkerRun, TargetsThatDoNotFitAreRefusedWhole) {
    InstallPackage p = Product();
    PackageFile f;
    f.record.name = "{OurShortcutDir}\\" + std::string(238, 'n');  // 255 characters, 262 expanded
    f.data = {1};
    p.files.push_back(f);
    EXPECT_TRUE(Install(p));
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"There was an error extracting a file."});
    EXPECT_FALSE(g_setup.InstallOk);
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(Join({App + "FINALIZE.EXE", App + "UNINST.EXE", ""}, InstallationKeys)));
}

TEST_F(InstallWorkerRun, CompanionsOfASignedInstallerCarryNoSecurityDirectory) {
    // Their copy of the Stub has no certificate table: the entry and the checksum are 0.
    Bytes signedStub = stub, unsignedStub = stub;
    SetSecurityDirectory(signedStub, 0, 0, 0x1234);
    SetSecurityDirectory(unsignedStub, 0, 0, 0);
    ByteVector image = BuildInstallerImage(signedStub, Product());
    AppendCertificateTable(image, static_cast<u32>(stub.size()));
    ASSERT_TRUE(Install(image));
    EXPECT_EQ(Contents(App + "FINALIZE.EXE"),
              BuildCompanionImage(unsignedStub, {2, "Sample Viewer 2.0", "Sample Co", "Sample Viewer", {}}));
    Bytes uninstaller = Contents(App + "UNINST.EXE");
    ASSERT_GE(uninstaller.size(), stub.size());
    EXPECT_EQ(Bytes(uninstaller.begin(), uninstaller.begin() + 0x120), Bytes(unsignedStub.begin(), unsignedStub.begin() + 0x120));
}
