// Start-up on the host platform: which Package opens, what each run mode asks of the
// system, and the Uninstaller's hand-over to its temporary copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "package/Locator.h"
#include "package/StubPackage.h"
#include "packwright/encoder/BlockEncoder.h"
#include "shell/ShellMessages.h"
#include "shell/StartUp.h"
#include "shell/WindowProcedure.h"
#include "platform/Dialogs.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace fs = std::filesystem;

namespace {
const u32 StubSize = 64;  // a stand-in for the Stub's bytes before the Package

using Calls = std::vector<std::string>;

void AppendCountedString(Bytes& out, const std::string& text) {
    out.push_back(static_cast<u8>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

// A companion Package: ExpectedSize 0, the mode byte and the three strings.
Bytes CompanionExecutable(u8 mode) {
    Bytes file(StubSize, 0xCC);
    AppendU32(file, 0);
    file.push_back(mode);
    for (const char* text : {"Title", "Footer", "Name"}) AppendCountedString(file, text);
    return file;
}

Bytes InstallHeaderBytes() {
    Bytes header;
    for (const char* text : {"Title", "Footer", "Name", "Dir", "Folder"}) {
        header.insert(header.end(), text, text + std::string(text).size());
        header.push_back(0);
    }
    header.resize(header.size() + 36, 0);
    header.push_back(0);  // no licence
    return header;
}

Bytes InstallExecutable(Bytes headerBlock) {
    Bytes file(StubSize, 0xCC);
    AppendU32(file, 0);
    file.push_back(0);
    file.insert(file.end(), headerBlock.begin(), headerBlock.end());
    return file;
}

// Handlers that only say which of them ran.
std::vector<std::string> g_handled;
const RunModeHandlers RecordingHandlers = {[](InstanceHandle, WindowHandle) { g_handled.push_back("install"); },
                                           [](InstanceHandle, WindowHandle) { g_handled.push_back("uninstall"); },
                                           [](InstanceHandle, WindowHandle) { g_handled.push_back("finalize"); }};

class ShellStartUp : public HostProcessTest {
protected:
    void SetUp() override {
        HostProcessTest::SetUp();
        fake::SetTempDirectory("C:\\TEMP\\");
        fake::SetWindowsDirectory("C:\\WINDOWS");
    }
    // Writes the executable and makes it the running one. Its host file name holds
    // backslashes, so the start-up logic sees a Windows-like path ending in "\UNINST.EXE".
    void Install(const Bytes& file) {
        WriteFileBytes(module(), file);
        RunAs(module(), StubSize);
    }
    std::string module() const { return dir.file("C:\\App\\UNINST.EXE"); }
    int Start(const char* tail) { return RunStartUp(nullptr, tail, RecordingHandlers); }
    const Calls& calls() { return fake::StartUpCalls(); }
    TempDir dir;
};

const std::string WindowCall = "window ZelSetupWindow Marrowfen Setup Utility";
Calls NormalRun(unsigned message) { return {WindowCall, "common controls", "show", "post " + std::to_string(message), "loop"}; }
}  // namespace

TEST_F(ShellStartUp, WithoutPackageOrWithDamagedHeaderShowsOpenFailedAndEnds1) {
    Install(CompanionExecutable(2));
    PatchEmbeddedPackageOffset(0);  // an unpatched Stub
    EXPECT_EQ(Start(""), 1);

    ResetStubReader();
    Bytes block = EncodeDataBlock(InstallHeaderBytes().data(), InstallHeaderBytes().size());
    block.back() ^= 0x55;  // the stored bytes no longer match their checksum
    Install(InstallExecutable(block));
    EXPECT_EQ(Start(""), 1);

    ResetStubReader();
    Bytes shortHeader = {'T', 0, 'F', 0};
    Install(InstallExecutable(EncodeDataBlock(shortHeader.data(), shortHeader.size())));
    EXPECT_EQ(Start(""), 1);

    ASSERT_EQ(fake::ShownBoxes().size(), 3u);
    for (const ShownMessageBox& box : fake::ShownBoxes()) {
        EXPECT_EQ(box.text, "Open failed!");
        EXPECT_EQ(box.caption, "ZelSetup");
        EXPECT_EQ(box.style, MbIconError);
        EXPECT_EQ(box.owner, nullptr);
    }
    EXPECT_TRUE(calls().empty());  // no window in any of them
}

TEST_F(ShellStartUp, EachRunModePostsItsOneStartMessage) {
    struct Case {
        u8 mode;
        unsigned message;
    };
    for (Case c : {Case{2, StartFinalizationMessage}, Case{3, StartInstallationMessage},
                   Case{255, StartInstallationMessage}}) {
        SetUp();
        Install(CompanionExecutable(c.mode));
        fake::SetMessageLoopResult(7);
        EXPECT_EQ(Start("/step2"), 7) << int(c.mode);  // the loop's last wParam
        EXPECT_EQ(calls(), NormalRun(c.message)) << int(c.mode);  // "/step2" means nothing here
    }
    SetUp();
    Install(InstallExecutable(EncodeDataBlock(InstallHeaderBytes().data(), InstallHeaderBytes().size())));
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(calls(), NormalRun(StartInstallationMessage));
    EXPECT_STREQ(g_setup.ProductTitle, "Title");
}

TEST_F(ShellStartUp, UninstallerHandsOverToACopyInAFreshFolder) {
    Install(CompanionExecutable(1));
    fake::SetTempDirectory("C:\\TEMP");  // no trailing backslash
    EXPECT_EQ(Start(""), 0);
    const std::string folder = "C:\\TEMP\\~ZS00001000", copy = folder + "\\UNINST.EXE";
    EXPECT_EQ(calls(), (Calls{"guarded folder " + folder, "copy " + module() + " -> " + copy,
                              "mutex owned ZelSetupUninstall", "start \"" + copy + "\" /step2 in C:\\WINDOWS"}));
    // The copy goes first, so the folder is empty when its turn comes.
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{copy, ""}, {folder, ""}}));
}

// Who may do what in the copy's folder: the rules in the descriptor's text form, read as the
// system reads them.
TEST_F(ShellStartUp, OnlyAdministratorsAndTheSystemMayChangeTheCopysFolder) {
    Install(CompanionExecutable(1));
    ASSERT_EQ(Start(""), 0);
    std::optional<std::string> descriptor = fake::GuardedFolderDescriptor("C:\\TEMP\\~ZS00001000");
    ASSERT_TRUE(descriptor);
    // "D:P": the access list is protected, so nothing granted on the temporary folder above
    // (where the user has full control) is inherited.
    ASSERT_EQ(descriptor->substr(0, 3), "D:P") << *descriptor;
    std::set<std::string> trustees;
    for (std::size_t at = descriptor->find('('); at != std::string::npos; at = descriptor->find('(', at + 1)) {
        std::vector<std::string> fields;
        std::string ace = descriptor->substr(at + 1, descriptor->find(')', at) - at - 1);
        for (std::size_t from = 0;; ) {
            std::size_t semicolon = ace.find(';', from);
            fields.push_back(ace.substr(from, semicolon - from));
            if (semicolon == std::string::npos) break;
            from = semicolon + 1;
        }
        ASSERT_EQ(fields.size(), 6u) << ace;
        EXPECT_EQ(fields[0], "A") << "only grants: " << ace;
        EXPECT_EQ(fields[1], "OICI") << "inherited by the copy: " << ace;
        trustees.insert(fields[5]);
    }
    // Local System and the Administrators group; no user, no Everyone, no creator.
    EXPECT_EQ(trustees, (std::set<std::string>{"SY", "BA"}));
}

TEST_F(ShellStartUp, AFolderThatExistsAlreadyIsPassedOverNeverReused) {
    fake::SetDriveRoot(dir.file("drives"));
    Install(CompanionExecutable(1));
    fake::SetUniqueNumber(0xAB);
    fs::create_directories(fake::HostPath("C:\\TEMP\\~ZS000000AB"));
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(calls()[0], "guarded folder C:\\TEMP\\~ZS000000AB");
    EXPECT_EQ(calls()[1], "guarded folder C:\\TEMP\\~ZS000000AC");
    EXPECT_EQ(calls()[2], "copy " + module() + " -> C:\\TEMP\\~ZS000000AC\\UNINST.EXE");
    EXPECT_FALSE(fake::GuardedFolderDescriptor("C:\\TEMP\\~ZS000000AB"));

    // When every name tried is taken, the Uninstaller runs in place.
    SetUp();
    fake::SetDriveRoot(dir.file("drives"));
    Install(CompanionExecutable(1));
    fake::SetUniqueNumber(0xF8);
    for (const char* taken : {"F8", "F9", "FA", "FB", "FC", "FD", "FE", "FF"})
        fs::create_directories(fake::HostPath(std::string("C:\\TEMP\\~ZS000000") + taken));
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(calls().size(), 8u + NormalRun(StartUninstallationMessage).size());
    EXPECT_EQ(calls().back(), "loop");
}

TEST_F(ShellStartUp, TemporaryCopyWaitsForTheFirstProcessThenRuns) {
    Install(CompanionExecutable(1));
    EXPECT_EQ(Start("/STEP2"), 0);
    Calls expected = {"wait ZelSetupUninstall"};
    for (const std::string& call : NormalRun(StartUninstallationMessage)) expected.push_back(call);
    EXPECT_EQ(calls(), expected);
}

TEST_F(ShellStartUp, UninstallerRunsInPlaceWhenTheCopyOrItsStartFails) {
    Install(CompanionExecutable(1));
    fake::FailCopies(true);
    EXPECT_EQ(Start("/step2 "), 0);  // the blank makes it a first process
    ASSERT_EQ(calls().size(), 7u);
    EXPECT_EQ(calls()[1].substr(0, 5), "copy ");
    EXPECT_EQ(calls()[2], WindowCall);  // no mutex, no wait

    SetUp();
    Install(CompanionExecutable(1));
    fake::FailProcessStarts(true);
    EXPECT_EQ(Start(""), 0);
    ASSERT_EQ(calls().size(), 9u);
    EXPECT_EQ(calls()[2], "mutex owned ZelSetupUninstall");  // kept until the process ends
    EXPECT_EQ(calls()[4], WindowCall);
    EXPECT_EQ(calls()[7], "post 1026");

    SetUp();
    Install(CompanionExecutable(1));
    fake::SetTempDirectory("C:\\" + std::string(245, 't'));  // the folder's path would not fit
    EXPECT_EQ(Start(""), 0);
    EXPECT_EQ(calls(), NormalRun(StartUninstallationMessage));
}

TEST_F(ShellStartUp, WindowFailureEnds1WithoutMessage) {
    Install(CompanionExecutable(2));
    fake::FailWindowCreation(true);
    EXPECT_EQ(Start(""), 1);
    EXPECT_TRUE(fake::ShownBoxes().empty());
}

TEST_F(ShellStartUp, WindowProcedureRoutesStartMessagesToTheGivenHandlersAndEndsOnClose) {
    Install(CompanionExecutable(2));
    g_handled.clear();
    EXPECT_EQ(Start(""), 0);
    EXPECT_FALSE(fake::DeliverToWindow(0x0001));  // WM_CREATE: default handling
    for (unsigned message : {StartFinalizationMessage, StartInstallationMessage, StartUninstallationMessage})
        EXPECT_TRUE(fake::DeliverToWindow(message));
    EXPECT_EQ(g_handled, (std::vector<std::string>{"finalize", "install", "uninstall"}));
    try {
        fake::DeliverToWindow(WindowCloseMessage);
        FAIL() << "closing did not end the process";
    } catch (const FakeProcessExit& exit) {
        EXPECT_EQ(exit.code, 0);
    }
}

TEST_F(ShellStartUp, AQuietUninstallerMovesItselfAndReturnsWhatItsCopyReturns) {
    Install(CompanionExecutable(1));
    fake::SetDriveRoot(dir.path().string());
    std::filesystem::create_directories(fake::HostPath("C:\\TEMP"));
    fake::SetRunExitCode(3010);
    EXPECT_EQ(Start("/S"), 3010);
    // Moved, not copied: no process is left running from the program folder. Nobody holds
    // the mutex, so the copy does not wait for this process, which waits for it.
    EXPECT_EQ(calls(), (Calls{"guarded folder C:\\TEMP\\~ZS00001000",
                              "run \"C:\\TEMP\\~ZS00001000\\UNINST.EXE\" /step2 /S in C:\\WINDOWS"}));
    EXPECT_FALSE(std::filesystem::exists(module()));
    EXPECT_TRUE(std::filesystem::exists(fake::HostPath("C:\\TEMP\\~ZS00001000\\UNINST.EXE")));
    EXPECT_TRUE(fake::ShownBoxes().empty());

    // The copy runs the Uninstaller at once, without a window.
    SetUp();
    Install(CompanionExecutable(1));
    g_handled.clear();
    EXPECT_EQ(Start("/step2 /S"), 0);
    EXPECT_EQ(calls(), (Calls{"wait ZelSetupUninstall"}));
    EXPECT_EQ(g_handled, (std::vector<std::string>{"uninstall"}));
}

TEST_F(ShellStartUp, QuietRunsShowNothingAndEndWithTheirOwnCodes) {
    // A tail that cannot be read ends the run before the Package is opened.
    PatchEmbeddedPackageOffset(0);
    EXPECT_EQ(Start("/VERYSILENT /BOGUS"), 1639);

    Install(CompanionExecutable(2));
    PatchEmbeddedPackageOffset(0);  // an unpatched Stub
    EXPECT_EQ(Start("/S"), 1603);

    SetUp();
    Install(InstallExecutable(EncodeDataBlock(InstallHeaderBytes().data(), InstallHeaderBytes().size())));
    g_handled.clear();
    EXPECT_EQ(Start("/SILENT"), 0);
    EXPECT_EQ(g_handled, (std::vector<std::string>{"install"}));
    EXPECT_TRUE(calls().empty());  // no window
    EXPECT_TRUE(fake::ShownBoxes().empty());
}
