// The Finalizer under Wine: an installation told it runs outside the NT platform, whose file
// was in use, leaves "name.NewTemp" and FINALIZE.EXE; after a restart the Finalizer puts the
// file in place, starts the run-after program (Notepad) and reports.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "support/InstalledProducts.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const std::string RunOnceKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string SessionManager = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";
const std::string EarlierReadme = "the earlier version's readme\r\n";

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
std::string Contents(const std::string& windowsPath) {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(none)";
}
std::string PendingOperations() { return Lower(QueryRegistry(SessionManager, "PendingFileRenameOperations").value_or("")); }

class Finalize : public StubTest {
protected:
    // The readme of an earlier version was open while the new one was installed.
    InstalledProduct InstallWithReadmeInUse() {
        std::string programDir = "C:\\Program Files\\Sample Viewer";
        fs::create_directories(HostPath(programDir));
        std::ofstream(HostPath(programDir + "\\readme.txt"), std::ios::binary) << EarlierReadme;
        // Older than the packaged one, so that only the question about overwriting at all comes.
        fs::last_write_time(HostPath(programDir + "\\readme.txt"),
                            fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
        // Only where the system cannot move it at the restart is a file in use the Finalizer's.
        InstalledProduct product = InstallProduct(
            TestProductManifest("viewer"),
            {{"{OurProgramDir}\\readme.txt"}, {{"Overwrite?", "6"}, {"Restart Windows?", "7"}}, "win98"});
        newReadme = Contents(product.programDir + "\\readme.txt.NewTemp");
        installed = product;
        return product;
    }
    // Removed also when a test stops early, so the next run starts without it.
    void TearDown() override {
        if (installed) {
            RunResult removed = Drive(UninstallCommands(*installed), ProgramTimeout);
            EXPECT_EQ(removed.exitCode, 0) << removed.output;
            fs::remove_all(HostPath(installed->programDir));
        }
        StubTest::TearDown();
    }
    std::string newReadme;
    std::optional<InstalledProduct> installed;
};
}  // namespace

TEST_F(Finalize, RestartPutsTheFileInPlaceStartsTheRunAfterProgramAndSchedulesItsOwnDeletion) {
    InstalledProduct notes = InstallWithReadmeInUse();
    const std::string readme = notes.programDir + "\\readme.txt";
    ASSERT_NE(newReadme, "(none)");
    ASSERT_EQ(Contents(readme), EarlierReadme);
    ASSERT_NE(Contents(notes.finalizer), "(none)");
    ASSERT_EQ(QueryRegistry(RunOnceKey, "ZelSetup_Finalize"), "\"" + notes.programDir + "\\Finalize.exe\"");

    // The restart runs the RunOnce entry and waits for it.
    WineProcess restart({"wineboot", "-e", "-r"}, Traced());
    RunResult driven = Drive({"answer", "Success!", "1", "60000", "close", "Notepad", "*", "60000"}, ProgramTimeout);
    EXPECT_EQ(restart.Wait(ProgramTimeout), 0) << restart.Output();
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(DriverValues(driven.output, "box"),
              std::vector<std::string>{"Installation complete! You can use the program immediately."});
    ASSERT_EQ(DriverValues(driven.output, "window").size(), 1u) << "the run-after program was started";
    EXPECT_EQ(DriverValues(driven.output, "window")[0].rfind("Notepad / ", 0), 0u) << driven.output;

    EXPECT_EQ(Contents(readme), newReadme);
    EXPECT_EQ(Contents(readme + ".NewTemp"), "(none)");
    EXPECT_NE(Contents(notes.finalizer), "(none)") << "deleted at the next restart, not now";
    EXPECT_NE(PendingOperations().find(Lower(notes.finalizer)), std::string::npos) << PendingOperations();
    EXPECT_FALSE(QueryRegistry(RunOnceKey, "ZelSetup_Finalize"));
    EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowfen")) << "the run-after command's key is consumed";
}

TEST_F(Finalize, AMoveThatFailsLeavesTheOldFileInPlaceAndShowsTheError) {
    InstalledProduct notes = InstallWithReadmeInUse();
    const std::string readme = notes.programDir + "\\readme.txt";
    std::string pendingBefore = PendingOperations();
    // Started as the system starts a RunOnce entry: the entry is deleted first.
    std::optional<std::string> command = QueryRegistry(RunOnceKey, "ZelSetup_Finalize");
    ASSERT_TRUE(command);
    ASSERT_EQ(RunWine({"reg", "delete", RunOnceKey, "/v", "ZelSetup_Finalize", "/f"}, ProgramTimeout).exitCode, 0);

    RunResult driven = Drive({"hold", readme + ".NewTemp", "launch", *command, "answer", "Error!", "1",
                              "60000", "close", "Notepad", "*", "60000", "gone", "ZelSetupWindow", "*", "60000"},
                             ProgramTimeout);
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(DriverValues(driven.output, "box"),
              std::vector<std::string>{
                  "There was an error finalizing the program. One or more files could not be updated; they may be in "
                  "use or marked read-only.\\n\\nTo correct this problem, you may have to uninstall the application "
                  "and then re-install it. If this does not work, please contact the application's author for "
                  "assistance."});
    EXPECT_EQ(Contents(readme), EarlierReadme) << "the old file stays where it was";
    EXPECT_EQ(Contents(readme + ".NewTemp"), newReadme);
    EXPECT_NE(Contents(notes.finalizer), "(none)");
    EXPECT_EQ(PendingOperations(), pendingBefore) << "FINALIZE.EXE is not scheduled for deletion";
    EXPECT_FALSE(RegistryKeyExists("HKEY_LOCAL_MACHINE\\SOFTWARE\\Marrowfen")) << "consumed all the same";
}
