// The Finalizer over the fake platform: replacements put in place in one step, the
// run-after command taken and opened, and the outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/fake/FakePlatform.h"
#include "remove/Finalizer.h"

namespace fs = std::filesystem;

namespace {
using Texts = std::vector<std::string>;

const std::string Finalizer = "C:\\App\\FINALIZE.EXE";
const std::string RunAfterKey = "SOFTWARE\\Marrowfen\\Packwright\\RunAfter";

class Finalize : public HostProcessTest {
protected:
    void SetUp() override {
        HostProcessTest::SetUp();
        workingDirectory = fs::current_path();
        fake::SetDriveRoot(dir.path().string());
        Write(Finalizer, "finalizer");
        fake::SetModulePath(Finalizer);
        fake::SetRegistryValue(RootLocalMachine, "SOFTWARE\\Other", "Kept", RegDword, {1, 0, 0, 0});
        window = fake::NewTestWindow();
    }
    void TearDown() override {
        fs::current_path(workingDirectory);
        HostProcessTest::TearDown();
    }
    static void Write(const std::string& path, const std::string& text) {
        fs::create_directories(fs::path(fake::HostPath(path)).parent_path());
        WriteFileBytes(fake::HostPath(path), Bytes(text.begin(), text.end()));
    }
    static std::string Read(const std::string& path) {
        Bytes bytes = ReadFileBytes(fake::HostPath(path));
        return fs::exists(fake::HostPath(path)) ? std::string(bytes.begin(), bytes.end()) : "(none)";
    }
    static void SetRunAfter(const std::string& command) {
        fake::SetRegistryValue(RootLocalMachine, RunAfterKey, "RunAfter", RegString,
                               std::vector<u8>(command.c_str(), command.c_str() + command.size() + 1));
    }
    void Run() {
        fake::QueueAnswers({IdOk});
        RunFinalizer(nullptr, window);
        EXPECT_EQ(fake::StartUpCalls().back(), "post 16");
    }

    TempDir dir;
    fs::path workingDirectory;
    WindowHandle window = nullptr;
};
}  // namespace

TEST_F(Finalize, PutsEachReplacementInPlaceOpensTheRunAfterCommandAndLeavesNothingBehind) {
    Write("C:\\App\\a.dll", "old a.dll");
    Write("C:\\App\\a.dll.NewTemp", "new a.dll");
    Write("C:\\App\\a.NewTemp", "new a");  // its target has no extension
    Write("C:\\App\\sub\\b.dll.NewTemp", "not looked at");
    fs::create_directories(fake::HostPath("C:\\App\\folder.NewTemp"));
    SetRunAfter("viewer.exe");
    Run();

    EXPECT_EQ(Read("C:\\App\\a.dll"), "new a.dll");
    EXPECT_EQ(Read("C:\\App\\a.dll.NewTemp"), "(none)");
    EXPECT_EQ(Read("C:\\App\\a"), "new a");
    EXPECT_EQ(Read("C:\\App\\sub\\b.dll.NewTemp"), "not looked at");
    EXPECT_TRUE(fs::is_directory(fake::HostPath("C:\\App\\folder.NewTemp")));
    EXPECT_EQ(fs::current_path(), fs::path(fake::HostPath("C:\\App")));
    EXPECT_EQ(fake::OpenedByShell(), Texts{"viewer.exe"});
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].text, "Installation complete! You can use the program immediately.");
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Success!");
    EXPECT_EQ(fake::ShownBoxes()[0].style, unsigned(MbIconInformation));
    EXPECT_EQ(fake::ShownBoxes()[0].owner, window);
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{Finalizer, ""}}));
    EXPECT_EQ(Read(Finalizer), "finalizer") << "deleted at the restart, not now";
    // The value is consumed and its emptied key goes with it.
    EXPECT_EQ(fake::RegistryListing(), (Texts{"HKEY_LOCAL_MACHINE\\SOFTWARE", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Other",
                                              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Other : Kept = dword 1"}));
}

TEST_F(Finalize, AMoveThatFailsKeepsTheOldFileStopsAndStillOpensTheRunAfterCommand) {
    for (const char* name : {"1.dll", "2.dll", "3.dll"}) {
        Write(std::string("C:\\App\\") + name, std::string("old ") + name);
        Write(std::string("C:\\App\\") + name + ".NewTemp", std::string("new ") + name);
    }
    fake::SetInUse("C:\\App\\2.dll.NewTemp", true);  // the target itself could be deleted
    SetRunAfter("C:\\App\\viewer.exe");
    Run();

    EXPECT_EQ(Read("C:\\App\\1.dll"), "new 1.dll");
    EXPECT_EQ(Read("C:\\App\\2.dll"), "old 2.dll") << "a failed replacement leaves the old file in place";
    EXPECT_EQ(Read("C:\\App\\2.dll.NewTemp"), "new 2.dll");
    EXPECT_EQ(Read("C:\\App\\3.dll"), "old 3.dll");
    EXPECT_EQ(Read("C:\\App\\3.dll.NewTemp"), "new 3.dll");
    EXPECT_EQ(fake::OpenedByShell(), Texts{"C:\\App\\viewer.exe"});
    EXPECT_FALSE(fake::GetRegistryValue(RootLocalMachine, RunAfterKey, "RunAfter")) << "consumed even so";
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Error!");
    EXPECT_EQ(fake::ShownBoxes()[0].text,
              "There was an error finalizing the program. One or more files could not be updated; they may be in use "
              "or marked read-only.\n\nTo correct this problem, you may have to uninstall the application and then "
              "re-install it. If this does not work, please contact the application's author for assistance.");
    EXPECT_EQ(fake::ShownBoxes()[0].style, unsigned(MbIconError));
    EXPECT_TRUE(fake::RestartMoves().empty()) << "FINALIZE.EXE stays";
}

TEST_F(Finalize, WithoutReplacementsOrRunAfterOnlySucceedsAndCreatesNoKey) {
    Run();
    EXPECT_TRUE(fake::OpenedByShell().empty());
    EXPECT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{Finalizer, ""}}));
    EXPECT_FALSE(fake::RegistryKeyExists(RootLocalMachine, "SOFTWARE\\Marrowfen"));
}
