// The Uninstaller under Wine: products installed into the prefix and removed by their
// UNINST.EXE as a user runs it from the program folder, with the prefix compared before the
// installation and after the removal.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "support/InstalledProducts.h"
#include "support/PrefixSnapshot.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const std::string SharedCountsKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::string SessionManager = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}
bool Exists(const std::string& windowsPath) { return fs::exists(HostPath(windowsPath)); }

// A restart: the moves and deletions that wait for it are carried out.
void SimulateRestart() { ASSERT_EQ(RunWine({"wineboot", "-e", "-r"}, ProgramTimeout).exitCode, 0); }

class Uninstall : public StubTest {
protected:
    // A run stopped halfway may have left parts of the two products behind; the comparison
    // before and after starts from a prefix without them.
    void SetUp() override {
        StubTest::SetUp();
        RunWine({"reg", "delete", SharedCountsKey, "/v", Shared(), "/f"}, ProgramTimeout);
        for (const char* key : {"HKEY_LOCAL_MACHINE\\Software\\Sample Software", "HKEY_CURRENT_USER\\Software\\Sample Software",
                                "HKEY_LOCAL_MACHINE\\Software\\ZelSetup",
                                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Notes",
                                "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Palette"})
            RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
        for (const std::string& path : {std::string("C:\\Program Files\\Sample Notes"), std::string("C:\\Program Files\\Sample Palette"),
                                        ExpandInPrefix("{WinDir}\\SampleShared", "", ""), Link("{OurShortcutDir}"),
                                        Link("{Desktop}\\Sample Notes settings.lnk")})
            fs::remove_all(HostPath(path));
    }
    // The example's installed paths.
    std::string Shared() const { return ExpandInPrefix("{WinDir}\\SampleShared\\palette.dat", "", ""); }
    static std::string Link(const std::string& macroPath) { return ExpandInPrefix(macroPath, "", "Sample Notes"); }
};
}  // namespace

TEST_F(Uninstall, TwoProductsSharingAFileInstalledAndRemovedLeaveThePrefixAsItWas) {
    // Every Windows system has the shared-file counts key; a fresh prefix lacks it, and it
    // is the system's, not the installation's, once an installation has made it.
    ASSERT_EQ(RunWine({"reg", "add", SharedCountsKey, "/f"}, ProgramTimeout).exitCode, 0);
    // Notepad, where the example's readme opens, keeps its settings from its first run on:
    // they are the user's, whichever suite of a fresh prefix runs it first.
    ASSERT_EQ(Drive({"launch", "notepad.exe", "close", "Notepad", "*", "120000", "gone", "Notepad", "*", "120000"},
                    ProgramTimeout)
                  .exitCode,
              0);
    SimulateRestart();  // no earlier test's deletion is still waiting
    PrefixSnapshot before = TakePrefixSnapshot();

    InstalledProduct notes = InstallProduct(ExampleManifest());
    // The shared file is there already with the same time: the installation asks, and is
    // told to replace it, so that it counts as the second product's too.
    InstallOptions replaceShared;
    replaceShared.answers = {{"Overwrite file?", "1008"}};
    InstalledProduct palette = InstallProduct(TestProductManifest("palette"), replaceShared);
    ASSERT_EQ(SharedFileCount(Shared()), 2);
    ASSERT_TRUE(Exists(notes.programDir + "\\data\\shapes.dat"));
    ASSERT_TRUE(Exists(Link("{Desktop}\\Sample Notes settings.lnk")));
    ASSERT_TRUE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\Sample Software\\Sample Notes"));
    ASSERT_TRUE(RegistryKeyExists("HKEY_CURRENT_USER\\Software\\Sample Software\\Sample Palette"));

    RunResult first = Drive(UninstallCommands(notes), ProgramTimeout, Traced());
    ASSERT_EQ(first.exitCode, 0) << first.output;
    ASSERT_TRUE(WaitForExits(2)) << "the copy did not end";
    // The program started from the program folder ends at once; its copy does the work.
    EXPECT_EQ(DriverValues(first.output, "exit"), std::vector<std::string>{"0"});
    std::vector<TraceEvent> trace = Trace();
    std::vector<unsigned long> processes = TracedProcesses(trace);
    ASSERT_EQ(processes.size(), 2u);
    EXPECT_EQ(Lower(FindEvent(trace, processes[0], "module")->value), Lower(notes.uninstaller));
    EXPECT_TRUE(Has(EventsOf(trace, processes[0]), "started 0"));
    EXPECT_FALSE(Has(EventsOf(trace, processes[0]), "window 0"));
    // The copy runs from a folder of its own in the temporary folder.
    std::string copy = FindEvent(trace, processes[1], "module")->value;
    std::string copysFolder = copy.substr(0, copy.rfind('\\'));
    const std::string copiesStart = UserTempDirectory() + "\\~ZS";
    EXPECT_EQ(Lower(copysFolder.substr(0, copiesStart.size())), Lower(copiesStart));
    EXPECT_EQ(Lower(copy.substr(copysFolder.size())), "\\uninst.exe");
    EXPECT_TRUE(Has(EventsOf(trace, processes[1]), "message 1026"));

    // The other product still uses the shared file: no question, one user less.
    EXPECT_TRUE(Exists(Shared()));
    EXPECT_EQ(SharedFileCount(Shared()), 1);
    EXPECT_FALSE(Exists(notes.programDir));
    EXPECT_FALSE(Exists(Link("{OurShortcutDir}")));
    EXPECT_FALSE(Exists(Link("{Desktop}\\Sample Notes settings.lnk")));
    EXPECT_TRUE(Exists(Link("{Desktop}"))) << "the desktop is the user's";
    EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\Sample Software"));
    EXPECT_TRUE(RegistryKeyExists("HKEY_CURRENT_USER\\Software\\Sample Software\\Sample Palette"));

    // The last user is asked, with the file's path as the caption.
    RunResult second = Drive(UninstallCommands(palette, {{Shared(), "6"}}), ProgramTimeout);
    ASSERT_EQ(second.exitCode, 0) << second.output;
    EXPECT_TRUE(Has(DriverValues(second.output, "text"),
                    "The Windows Registry indicates that this shared file is no longer needed. However, it may be "
                    "mistaken; deleting it could cause other programs to stop working. Shall I delete the shared file?"));
    EXPECT_FALSE(Exists(Shared()));
    EXPECT_FALSE(Exists(palette.programDir)) << "its nested folders and the program folder go too";

    // Only the Uninstallers' temporary copies and their folders are left (one for each
    // product), and they wait for the restart.
    std::vector<std::string> difference = Difference(before, TakePrefixSnapshot());
    std::cout << "difference after the removal:\n";
    for (const std::string& line : difference) std::cout << "  " << line.substr(0, 160) << "\n";
    for (const std::string& line : difference)
        EXPECT_TRUE(line.find("+ file " + copiesStart) == 0 || line.find("+ folder " + copiesStart) == 0 ||
                    line.find("PendingFileRenameOperations") != std::string::npos)
            << line;
    EXPECT_TRUE(std::any_of(difference.begin(), difference.end(),
                            [&](const std::string& line) { return line.find("+ file " + copy + " ") == 0; }));
    std::optional<std::string> pending = QueryRegistry(SessionManager, "PendingFileRenameOperations");
    ASSERT_TRUE(pending);
    EXPECT_NE(Lower(*pending).find(Lower(copy)), std::string::npos) << *pending;

    SimulateRestart();
    EXPECT_EQ(Difference(before, TakePrefixSnapshot()), std::vector<std::string>{});
}

TEST_F(Uninstall, AReadOnlyFileAnsweredYesGoesAndAFileHeldOpenAnsweredNoStays) {
    InstalledProduct notes = InstallProduct(ExampleManifest());
    const std::string settings = notes.programDir + "\\settings.ini";
    const std::string shapes = notes.programDir + "\\data\\shapes.dat";
    ASSERT_EQ(RunWine({"cmd", "/c", "attrib", "+r", shapes}, ProgramTimeout).exitCode, 0);

    std::vector<std::string> commands = {"hold", settings};
    for (const std::string& command : UninstallCommands(notes, {{"Retry?", "7"}, {"Confirm?", "6"}, {Shared(), "6"}}))
        commands.push_back(command);
    RunResult run = Drive(commands, ProgramTimeout);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(DriverValues(run.output, "text"),
              (std::vector<std::string>{
                  "Are you SURE you wish to uninstall this program?",
                  settings + "\\n\\nCould not delete file. It may be in use. Shall I try again?",
                  shapes + "\\n\\nFile is marked read-only. Do you wish to remove it anyway?",
                  "The Windows Registry indicates that this shared file is no longer needed. However, it may be "
                  "mistaken; deleting it could cause other programs to stop working. Shall I delete the shared file?",
                  "This program has been removed."}));

    EXPECT_TRUE(Exists(settings)) << "kept, as answered";
    EXPECT_FALSE(Exists(shapes));
    EXPECT_FALSE(Exists(notes.programDir + "\\data"));
    EXPECT_FALSE(Exists(notes.programDir + "\\readme.txt"));
    EXPECT_FALSE(Exists(notes.uninstaller));
    EXPECT_FALSE(Exists(Link("{OurShortcutDir}")));
    EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\Sample Software"));
    EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Notes"));
    fs::remove_all(HostPath(notes.programDir));
}
