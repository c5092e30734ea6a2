// Path macros, directories on a path, and replacements and deletions left to the restart.
#include <filesystem>

#include "EngineTestSupport.h"
#include "install/Directories.h"
#include "install/PathMacros.h"
#include "install/RestartMoves.h"
#include "platform/Dialogs.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
class InstallPaths : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        g_setup.ProgramDir = CopyString("C:\\Program Files\\Sample");
        g_setup.ShortcutFolder = CopyString("Sample Tools");
    }
    std::string Expand(const std::string& text) {
        char path[PathCapacity];
        std::snprintf(path, sizeof path, "%s", text.c_str());
        if (!ExpandPathMacros(path)) return "(refused)";
        return path;
    }
};
}  // namespace

TEST_F(InstallPaths, MacrosExpandAtTheFirstBraceOnly) {
    EXPECT_EQ(Expand("{OurProgramDir}\\data\\one.bin"), "C:\\Program Files\\Sample\\data\\one.bin");
    EXPECT_EQ(Expand("{winsysdir}\\tool.dll"), "C:\\WINDOWS\\SYSTEM\\tool.dll");
    EXPECT_EQ(Expand("{WinDrive}:\\Temp"), "C:\\Temp");
    EXPECT_EQ(Expand("{OurShortcutDir}\\Read me"), "C:\\Menu\\Programs\\Sample Tools\\Read me");
    EXPECT_EQ(Expand("x{WinDir}y"), "xC:\\WINDOWSy");
    EXPECT_EQ(Expand("{WinDir}\\{OurProgramDir}"), "C:\\WINDOWS\\{OurProgramDir}");
    EXPECT_EQ(Expand("{Unknown}\\a"), "{Unknown}\\a");
    EXPECT_EQ(Expand("{WinDir"), "{WinDir");  // its eight characters differ
    EXPECT_EQ(Expand("plain\\path"), "plain\\path");
    // Two tokens match on a prefix; the rest still begins after the first "}".
    EXPECT_EQ(Expand("{OurProgramDirectory}\\x"), "C:\\Program Files\\Sample\\x");
    EXPECT_EQ(Expand("{OurProgramDir"), "C:\\Program Files\\Sample");

    delete[] g_setup.ProgramDir;
    g_setup.ProgramDir = CopyString("");
    delete[] g_setup.ShortcutFolder;
    g_setup.ShortcutFolder = CopyString("");
    EXPECT_EQ(Expand("{OurProgramDir}\\x"), "\\x");
    EXPECT_EQ(Expand("{OurShortcutDir}"), "C:\\Menu\\Programs\\");
}

TEST_F(InstallPaths, ExpansionsThatCannotBeUsedAreRefusedNotCut) {
    delete[] g_setup.ProgramDir;
    g_setup.ProgramDir = CopyString(("C:\\" + std::string(240, 'p')).c_str());
    EXPECT_EQ(Expand("{OurProgramDir}\\a-name-that-no-longer-fits.txt"), "(refused)");
    EXPECT_EQ(Expand("{OurProgramDir}\\ok"), "C:\\" + std::string(240, 'p') + "\\ok");
    // A folder the system cannot name.
    EXPECT_EQ(Expand("{StartUp}\\Tool.lnk"), "(refused)");
}

TEST_F(InstallPaths, ParentDirectoriesAreMadeAndAFailureIsToldOnce) {
    EXPECT_TRUE(CreateParentDirectories(nullptr, "C:\\A\\B\\file.txt"));
    EXPECT_TRUE(Exists("C:\\A\\B"));
    EXPECT_FALSE(Exists("C:\\A\\B\\file.txt"));
    EXPECT_TRUE(CreateParentDirectories(nullptr, "file.txt"));  // nothing to make

    WriteFileBytes(fake::HostPath("C:\\F"), {1});
    int owner = 0;
    EXPECT_FALSE(CreateParentDirectories(&owner, "C:\\F\\G\\x"));
    EXPECT_FALSE(CreateParentDirectories(&owner, "C:\\F\\H\\y"));
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].text, "Could not create target directory.");
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Error!");
    EXPECT_EQ(fake::ShownBoxes()[0].style, MbIconError);
    EXPECT_EQ(fake::ShownBoxes()[0].owner, &owner);
    EXPECT_FALSE(g_setup.InstallOk);
}

TEST_F(InstallPaths, RestartRequestsByPlatformFamily) {
    DeferredReplace("C:\\App\\data.bin", "C:\\App\\data.bin.NewTemp");
    DeferredDelete("C:\\App\\UNINST.EXE");
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{"C:\\App\\data.bin.NewTemp", "C:\\App\\data.bin"},
                                                                     {"C:\\App\\UNINST.EXE", ""}}));
    EXPECT_TRUE(g_setup.RebootNeeded);
    EXPECT_FALSE(g_setup.FinalizeNeeded);

    // The older family: 8.3 targets go to the rename list, long ones to the Finalizer.
    fake::SetNt(false);
    g_setup.RebootNeeded = false;
    for (const char* file : {"C:\\APP\\DATA.BIN", "C:\\APP\\DATA.BIN.NewTemp", "C:\\Program Files\\App\\data.bin"}) {
        CreateParentDirectories(nullptr, file);
        WriteFileBytes(fake::HostPath(file), {1});
    }
    DeferredReplace("C:\\APP\\DATA.BIN", "C:\\APP\\DATA.BIN.NewTemp");
    EXPECT_FALSE(g_setup.FinalizeNeeded);
    DeferredReplace("C:\\Program Files\\App\\data.bin", "C:\\Program Files\\App\\data.bin.NewTemp");
    EXPECT_TRUE(g_setup.FinalizeNeeded);
    DeferredDelete("C:\\Program Files\\App\\data.bin");
    EXPECT_EQ(fake::ProfileWrites(), (std::vector<std::string>{"WININIT.INI [rename] C:\\APP\\DATA.BIN=C:\\APP\\DATABI~1.NEW",
                                                                "WININIT.INI [rename] NUL=C:\\PROGRA~1\\APP\\DATA.BIN"}));
    EXPECT_TRUE(g_setup.RebootNeeded);
}
