// The rules of single records: which existing files are replaced and who is asked, shared
// counts, shortcut lines, and the registry section's entries and log.
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>

#include "EngineTestSupport.h"
#include "install/DialogIds.h"
#include "package/StubPackage.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
const std::string App = "C:\\Apps\\Sample\\";
const long long PackagedSeconds = 1700000000;

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class InstallRules : public EngineTest {
protected:
    // An installed file with this time and, when given, this version.
    void Installed(const std::string& name, long long seconds, std::array<u16, 4> version = {}) {
        std::string host = Host(App + name);
        std::filesystem::create_directories(std::filesystem::path(host).parent_path());
        WriteFileBytes(host, {'o', 'l', 'd'});
        struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ::utimensat(AT_FDCWD, host.c_str(), times, 0);
        if (version != std::array<u16, 4>{}) fake::SetFileVersion(App + name, version[0], version[1], version[2], version[3]);
    }
    static PackageFile File(const std::string& name, std::array<u16, 4> version = {}, bool shared = false) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\" + name;
        f.record.version = version;
        f.record.time = FileTimeFromUnix(PackagedSeconds);
        f.record.shared = shared;
        f.data = {'n', 'e', 'w'};
        return f;
    }
    bool Replaced(const std::string& name) { return Contents(App + name) == Bytes{'n', 'e', 'w'}; }
    // The file part of the log between FINALIZE.EXE and UNINST.EXE.
    std::vector<std::string> LoggedFiles(std::vector<std::string> names) {
        std::vector<std::string> records = {App + "FINALIZE.EXE"};
        for (const std::string& n : names) records.push_back(n.find(':') == std::string::npos ? App + n : n);
        records.push_back(App + "UNINST.EXE");
        records.push_back("");
        return records;
    }
    std::vector<int> DialogsShown() {
        std::vector<int> ids;
        for (const fake::ShownDialog& d : fake::ShownDialogs())
            if (d.templateId != PROGRESS_DIALOG) ids.push_back(d.templateId);
        return ids;
    }
    u32 SharedCount(const std::string& path) {
        auto value = fake::GetRegistryValue(RootLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs", path);
        return value && value->data.size() == 4 ? LoadU32(value->data.data()) : 0;
    }
    static std::vector<std::string> FixedGroups() {
        return {":HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Sample Viewer", "Path", "SPath", "",
                ":HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Viewer",
                "DisplayName", "UninstallString", "", ""};
    }
};
}  // namespace

TEST_F(InstallRules, OverwriteQuestionsByVersionTimeAndSharing) {
    InstallPackage p = Product();
    p.files = {File("a.txt"),                       // installed newer by time: 116, "No"
               File("b.dll", {1, 10, 0, 0}),         // installed 1.2: older as numbers, no dialog
               File("c.dll", {1, 9, 9, 9}),          // installed 2.0: 116, "Yes to All"
               File("d.dll", {1, 0, 0, 0}),          // installed 3.0: no dialog after "Yes to All"
               File("e.dll", {}, true),              // shared, same time: 117, "Skip All"
               File("f.dll", {}, true),              // shared, same time: 117 again, "Replace"
               File("g.txt")};                       // installed older: replaced without a word
    Installed("a.txt", PackagedSeconds + 60);
    Installed("b.dll", PackagedSeconds + 60, {1, 2, 0, 0});
    Installed("c.dll", PackagedSeconds - 60, {2, 0, 0, 0});
    Installed("d.dll", PackagedSeconds - 60, {3, 0, 0, 0});
    Installed("e.dll", PackagedSeconds);
    Installed("f.dll", PackagedSeconds);
    Installed("g.txt", PackagedSeconds - 60);
    fake::QueueAnswers({IdYes});  // "Overwrite?", asked once for the whole run
    fake::PressInDialog(NEWER_FILE_DIALOG, {OVERWRITE_KEEP, OVERWRITE_ALL});
    fake::PressInDialog(SHARED_FILE_DIALOG, {IdCancel, OVERWRITE_REPLACE});
    ASSERT_TRUE(Install(p));

    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "Overwrite?");
    EXPECT_EQ(DialogsShown(), (std::vector<int>{NEWER_FILE_DIALOG, NEWER_FILE_DIALOG, SHARED_FILE_DIALOG, SHARED_FILE_DIALOG}));
    EXPECT_EQ(fake::Control(fake::ShownDialogs()[1].dialog, OVERWRITE_PATH_EDIT).text, App + "a.txt");
    EXPECT_FALSE(Replaced("a.txt"));
    EXPECT_FALSE(Replaced("e.dll"));
    for (const char* name : {"b.dll", "c.dll", "d.dll", "f.dll", "g.txt"}) EXPECT_TRUE(Replaced(name)) << name;
    // Skipped files are neither logged nor counted.
    EXPECT_EQ(SharedCount(App + "e.dll"), 0u);
    EXPECT_EQ(SharedCount(App + "f.dll"), 1u);
    std::vector<std::string> log = LoggedFiles({"b.dll", "c.dll", "d.dll", "f.dll\t", "g.txt"});
    std::vector<std::string> fixed = FixedGroups();
    log.insert(log.end(), fixed.begin(), fixed.end());
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(log));
}

TEST_F(InstallRules, ANewerFileStaysWhenItsQuestionCannotBeShown) {
    InstallPackage p = Product();
    p.files = {File("a.txt")};
    Installed("a.txt", PackagedSeconds + 60);
    fake::QueueAnswers({IdYes});
    fake::PressInDialog(NEWER_FILE_DIALOG, {fake::DialogCannotOpen});
    ASSERT_TRUE(Install(p));
    EXPECT_FALSE(Replaced("a.txt"));
}

TEST_F(InstallRules, RefusingToOverwriteCancelsBeforeTheFileIsTouched) {
    InstallPackage p = Product();
    p.files = {File("new.txt"), File("a.txt"), File("z.txt")};
    Installed("a.txt", PackagedSeconds - 60);
    fake::QueueAnswers({IdNo});
    EXPECT_FALSE(Install(p));
    EXPECT_FALSE(Replaced("a.txt"));
    EXPECT_FALSE(Exists(App + "z.txt"));
    // The registration made with UNINST.EXE is logged all the same, for its removal.
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(Join(LoggedFiles({"new.txt"}), FixedGroups())));
}

TEST_F(InstallRules, SharedFileInUseGoesToNewTempAndIsCountedOncePerInstallation) {
    InstallPackage p = Product();
    p.files = {File("common.dll", {}, true)};
    p.files[0].record.time = FileTimeFromUnix(PackagedSeconds + 1);  // never the same time: no 117
    Installed("common.dll", PackagedSeconds);
    fake::SetInUse(App + "common.dll", true);
    ASSERT_TRUE(Install(p));
    EXPECT_TRUE(fake::ShownBoxes().empty());  // shared files never ask "Overwrite?"
    EXPECT_EQ(Contents(App + "common.dll.NewTemp"), (Bytes{'n', 'e', 'w'}));
    EXPECT_FALSE(Replaced("common.dll"));
    EXPECT_EQ(fake::RestartMoves(), (std::vector<fake::RestartMove>{{App + "common.dll.NewTemp", App + "common.dll"}}));
    EXPECT_TRUE(g_setup.RebootNeeded);
    EXPECT_FALSE(g_setup.FinalizeNeeded);
    EXPECT_EQ(SharedCount(App + "common.dll"), 1u);

    ResetStubReader();
    ResetSetupState();
    ASSERT_TRUE(Install(p));
    EXPECT_EQ(SharedCount(App + "common.dll"), 2u);
}

TEST_F(InstallRules, ShortcutLinesAreSplitCompletedAndLogged) {
    InstallPackage p = Product();
    p.shortcuts = {"{OurShortcutDir}\\Sample Viewer={OurProgramDir}\\viewer.exe\t-x \"a b\"\t{OurProgramDir}",
                   "{OurProgramDir}\\Readme.txt={OurProgramDir}\\readme.txt",
                   "{OurShortcutDir}\\Sample 1.0={OurProgramDir}\\v1.exe\t-old",
                   "{OurShortcutDir}\\Suite.Tools\\Viewer={OurProgramDir}\\viewer.exe",
                   "{StartUp}\\Viewer={OurProgramDir}\\viewer.exe",  // a folder the system cannot name
                   "{Desktop}\\Far={StartMenu}\\viewer.exe"};  // a target that does not fit
    fake::SetSpecialFolder(FolderStartMenu, "C:\\" + std::string(250, 'm'));
    ASSERT_TRUE(Install(p));

    struct Expected {
        std::string link, target, arguments, directory;
    };
    for (const Expected& e : {Expected{"C:\\Menu\\Programs\\Sample\\Sample Viewer.lnk", App + "viewer.exe", "-x \"a b\"", "C:\\Apps\\Sample"},
                              Expected{App + "Readme.txt", App + "readme.txt", "", ""},
                              Expected{"C:\\Menu\\Programs\\Sample\\Sample 1.0", App + "v1.exe", "-old", ""},
                              Expected{"C:\\Menu\\Programs\\Sample\\Suite.Tools\\Viewer.lnk", App + "viewer.exe", "", ""}}) {
        auto s = fake::ReadShortcut(e.link);
        ASSERT_TRUE(s) << e.link;
        EXPECT_EQ(s->target, e.target);
        EXPECT_EQ(s->arguments, e.arguments);
        EXPECT_EQ(s->workingDirectory, e.directory);
    }
    // The link whose target does not fit is logged, unmade; the one that cannot be named
    // at all is neither.
    EXPECT_FALSE(Exists("C:\\Desk\\Far.lnk"));
    std::vector<std::string> log = LoggedFiles({"C:\\Menu\\Programs\\Sample\\Sample Viewer.lnk", "Readme.txt",
                                                "C:\\Menu\\Programs\\Sample\\Sample 1.0",
                                                "C:\\Menu\\Programs\\Sample\\Suite.Tools\\Viewer.lnk", "C:\\Desk\\Far.lnk"});
    std::vector<std::string> fixed = FixedGroups();
    log.insert(log.end(), fixed.begin(), fixed.end());
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(log));
}

TEST_F(InstallRules, RegistrySectionSetsValuesAndLogsKeyGroups) {
    RawStream s;
    s.U8(0).U8(0);  // no files, no shortcuts
    s.Counted("Early=Sx");  // before any key: logged, writes nothing
    s.Counted(":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer");
    s.Counted("Home=S{OurProgramDir}").Counted("@=SSample Viewer");
    s.Counted(std::string("Runs=D\x05\x00\x00\x00", 10));
    s.Counted(std::string("Key=B\x03\x00\x00\xFF\x7F", 10));
    s.Counted(std::string("Long=B\x09\x00\x01\x02", 10));  // claims 9 bytes, holds 2
    s.Counted("Flag=N").Counted("just a note");
    s.Counted(":HKEY_USERS\\Software\\Ignored").Counted(":HKEY_LOCAL_MACHINE");  // neither taken nor logged
    s.Counted("Still=Sopen group");
    s.Counted(":hkey_current_user\\Software\\Sample Co").Counted("@@=Sat").Counted("Path=S{OurShortcutDir}\\" + std::string(232, 'w'));
    s.U8(0).Counted("");

    ASSERT_TRUE(Install(RawImage(s)));
    auto value = [](u32 root, const std::string& key, const std::string& name) {
        auto v = fake::GetRegistryValue(root, key, name);
        return v ? std::make_pair(v->type, v->data) : std::make_pair(0u, std::vector<u8>{});
    };
    auto text = [](const std::string& t) { return std::vector<u8>(t.c_str(), t.c_str() + t.size() + 1); };
    const std::string viewer = "Software\\Sample Co\\Viewer";
    EXPECT_EQ(value(RootLocalMachine, viewer, "Home"), std::make_pair(u32{RegString}, text("C:\\Apps\\Sample")));
    EXPECT_EQ(value(RootLocalMachine, viewer, ""), std::make_pair(u32{RegString}, text("Sample Viewer")));
    EXPECT_EQ(value(RootLocalMachine, viewer, "Runs"), std::make_pair(u32{RegDword}, std::vector<u8>{5, 0, 0, 0}));
    EXPECT_EQ(value(RootLocalMachine, viewer, "Key"), std::make_pair(u32{RegBinary}, std::vector<u8>{0, 0xFF, 0x7F}));
    EXPECT_EQ(value(RootLocalMachine, viewer, "Still"), std::make_pair(u32{RegString}, text("open group")));
    EXPECT_EQ(value(RootCurrentUser, "Software\\Sample Co", "@@"), std::make_pair(u32{RegString}, text("at")));
    for (const char* unset : {"Long", "Flag", "Early"}) EXPECT_EQ(value(RootLocalMachine, viewer, unset).first, 0u) << unset;
    EXPECT_FALSE(fake::GetRegistryValue(RootCurrentUser, "Software\\Sample Co", "Path"));
    EXPECT_TRUE(fake::RegistryKeyExists(RootLocalMachine, "Software\\Sample Co"));

    std::vector<std::string> log = LoggedFiles({});
    std::vector<std::string> groups = {"Early",
                                       ":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer", "Home", "@", "Runs", "Key", "Long",
                                       "Flag", "just a note", "Still", "",
                                       ":hkey_current_user\\Software\\Sample Co", "@@", "Path", ""};
    log.insert(log.end(), groups.begin(), groups.end());
    std::vector<std::string> fixed = FixedGroups();
    log.insert(log.end(), fixed.begin(), fixed.end());
    EXPECT_EQ(Contents(App + "UNINST.EXE"), ExpectedUninstaller(log));
}
