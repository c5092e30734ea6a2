// The setup wizard in the real Stub under Wine, driven page by page as a user clicks
// through it: every page with a wrong password first, the choices remembered for the next
// installation, a fixed directory, a cancel on the first page and one during the
// installation, a damaged Package and a file in use.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/InstalledProducts.h"
#include "support/PrefixSnapshot.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const std::string Wait = "60000";
const std::string Title = "Wizard Notes 1.0";
const std::string Licence = "Use it kindly.\r\nShare it freely.";
const std::string RunOnceKey = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

std::string Contents(const std::string& windowsPath) {
    std::ifstream in(HostPath(windowsPath), std::ios::binary);
    return in ? std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()) : "(none)";
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}
std::string PendingMoves() {
    return QueryRegistry("HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations")
        .value_or("");
}

ByteVector Bytes(const std::string& text) { return ByteVector(text.begin(), text.end()); }

class Wizard : public StubTest {
protected:
    std::string UninstallName() const {
        return std::string("Packwright Wizard ") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    std::string RememberedKey() const { return "HKLM\\Software\\ZelSetup\\" + UninstallName(); }
    // A product with every page: licence, password, a directory under Program Files and a
    // start-menu folder.
    InstallPackage Product() const {
        InstallPackage p;
        p.header.ProductTitle = Title;
        p.header.FooterText = "Wizard Software Ltd.";
        p.header.UninstallName = UninstallName();
        p.header.ProgramDir = "Wizard Notes";
        p.header.ShortcutFolder = "Wizard Notes";
        p.header.LicenceText = Licence;
        p.header.PasswordChecksum = PasswordChecksumFor("OPEN SESAME");
        p.files = {File("readme.txt", Bytes("Read me first.\r\n"))};
        p.shortcuts = {"{OurShortcutDir}\\Read Me={OurProgramDir}\\readme.txt"};
        return p;
    }
    static PackageFile File(const std::string& name, ByteVector data) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\" + name;
        f.record.time = FileTimeFromUnix(1700000000);
        f.data = std::move(data);
        return f;
    }
    std::string Installer(const InstallPackage& p) {
        WriteInstaller(TestStubPath(), folder().hostFile("SETUP.EXE"), p);
        return folder().windowsFile("SETUP.EXE");
    }
    // Removes what an installation into programDir left, through its own Uninstaller.
    void Uninstall(const std::string& programDir) {
        InstalledProduct product{programDir, programDir + "\\UNINST.EXE", programDir + "\\FINALIZE.EXE"};
        RunResult removed = Drive(UninstallCommands(product), ProgramTimeout);
        EXPECT_EQ(removed.exitCode, 0) << removed.output;
    }
    // An installation that ended early logged no key groups: its keys go by hand.
    void UninstallUnfinished(const std::string& programDir) {
        Uninstall(programDir);
        RunWine({"reg", "delete", RememberedKey(), "/f"}, ProgramTimeout);
        RunWine({"reg", "delete", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + UninstallName(), "/f"},
                ProgramTimeout);
    }
    // Driver commands that go from the first page to the directory page of Product().
    static std::vector<std::string> ToDirectoryPage() {
        return {"page", "Welcome", Wait, "press", "NEXT", Wait, "page", "Licence Agreement", Wait, "press", "NEXT", Wait,
                "page", "Enter Password", Wait, "type", "1000", "open sesame", Wait, "press", "NEXT", Wait,
                "page", "Select Target Directory", Wait};
    }
    static std::vector<std::string> Then(std::vector<std::string> first, const std::vector<std::string>& more) {
        first.insert(first.end(), more.begin(), more.end());
        return first;
    }
    // A product whose readme is already there, older, and held open by another program.
    InstallPackage InUseProduct() {
        InstallPackage p = Product();
        p.header.LicenceText.reset();
        p.header.PasswordChecksum = 0;
        p.header.ProgramDir = folder().windowsPath() + "\\In Use";
        p.runAfter = "{OurProgramDir}\\readme.txt";
        const std::string readme = p.header.ProgramDir + "\\readme.txt";
        fs::create_directories(HostPath(p.header.ProgramDir));
        std::ofstream(HostPath(readme), std::ios::binary) << "the earlier readme\r\n";
        fs::last_write_time(HostPath(readme), fs::file_time_type::clock::now() - std::chrono::hours(24 * 365 * 10));
        return p;
    }
    // Through the wizard while the readme is held, Yes to overwriting what is there.
    static std::vector<std::string> InUseInstallation(const std::string& readme) {
        return {"hold", readme, "page", "Welcome", Wait, "press", "NEXT", Wait, "page", "Select Target Directory", Wait,
                "press", "NEXT", Wait, "page", "Select Start-Menu Folder", Wait, "press", "FINISH", Wait,
                "answer", "Overwrite?", "6", Wait};
    }
    static std::vector<std::string> CancelConfirmed() { return {"press", "CANCEL", Wait, "answer", "Confirm", "6", Wait}; }
};
}  // namespace

TEST_F(Wizard, EveryPageThenTheNextInstallationProposesTheChoices) {
    InstallPackage p = Product();
    p.runAfter = "{OurProgramDir}\\readme.txt";
    std::string setup = Installer(p);
    const std::string chosen = folder().windowsPath() + "\\Chosen Place";

    WineProcess first({setup}, Traced());
    RunResult driven = Drive(
        {"page", "Welcome", Wait, "text", "1000", Wait, "press", "NEXT", Wait,
         "page", "Licence Agreement", Wait, "text", "1000", Wait, "press", "NEXT", Wait,
         "page", "Enter Password", Wait, "type", "1000", "open sesame!", Wait, "press", "NEXT", Wait,
         "answer", "Password Error", "1", Wait, "page", "Enter Password", Wait,
         "type", "1000", "open sesame", Wait, "press", "NEXT", Wait,
         "page", "Select Target Directory", Wait, "text", "1000", Wait, "text", "1006", Wait, "enabled", "1000", Wait,
         "type", "1000", chosen + "\\", Wait, "press", "NEXT", Wait,
         "page", "Select Start-Menu Folder", Wait, "text", "1000", Wait, "type", "1000", "Chosen Folder", Wait,
         "press", "FINISH", Wait, "answer", "Success!", "1", "120000", "close", "Notepad", "*", Wait},
        Milliseconds(240000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    ASSERT_EQ(first.Wait(ProgramTimeout), 0);

    std::vector<std::string> texts = DriverValues(driven.output, "text");
    ASSERT_EQ(texts.size(), 5u) << driven.output;
    EXPECT_EQ(texts[0], "This program will install " + Title + " onto your computer. If you wish to continue, click Next.");
    EXPECT_EQ(texts[1], "Use it kindly.\\nShare it freely.");
    EXPECT_EQ(texts[2], "C:\\Program Files\\Wizard Notes");
    EXPECT_EQ(texts[3].rfind("This installation may require up to ", 0), 0u) << texts[3];
    EXPECT_EQ(texts[4], "Wizard Notes");
    EXPECT_EQ(DriverValues(driven.output, "enabled"), std::vector<std::string>{"1"});
    EXPECT_EQ(DriverValues(driven.output, "box"),
              (std::vector<std::string>{
                  "Password is incorrect. You must enter the proper password to continue the installation.",
                  "Installation complete! You can use the program immediately."}));
    EXPECT_EQ(DriverValues(driven.output, "window").size(), 1u) << "the run-after program was started";

    EXPECT_EQ(Contents(chosen + "\\readme.txt"), "Read me first.\r\n");
    EXPECT_TRUE(fs::exists(HostPath(ExpandInPrefix("{OurShortcutDir}\\Read Me.lnk", chosen, "Chosen Folder"))));
    EXPECT_TRUE(fs::exists(HostPath(chosen + "\\UNINST.EXE")));
    EXPECT_FALSE(fs::exists(HostPath(chosen + "\\FINALIZE.EXE"))) << "not needed, so deleted";
    EXPECT_EQ(QueryRegistry(RememberedKey(), "Path"), chosen);
    EXPECT_EQ(QueryRegistry(RememberedKey(), "SPath"), "Chosen Folder");
    EXPECT_FALSE(QueryRegistry(RunOnceKey, "ZelSetup_Finalize"));

    // The same installer again proposes what was chosen; cancelled on the folder page.
    WineProcess second({setup}, Traced());
    RunResult again = Drive(Then(ToDirectoryPage(), Then({"text", "1000", Wait, "press", "NEXT", Wait,
                                                         "page", "Select Start-Menu Folder", Wait, "text", "1000", Wait},
                                                        CancelConfirmed())),
                            Milliseconds(180000));
    ASSERT_EQ(again.exitCode, 0) << again.output;
    EXPECT_EQ(second.Wait(ProgramTimeout), 0);
    EXPECT_EQ(DriverValues(again.output, "text"), (std::vector<std::string>{chosen, "Chosen Folder"}));

    Uninstall(chosen);
    EXPECT_FALSE(fs::exists(HostPath(chosen)));
    EXPECT_FALSE(RegistryKeyExists(RememberedKey()));
}

TEST_F(Wizard, AFixedDirectoryIsGreyedOut) {
    InstallPackage p = Product();
    p.header.LicenceText.reset();
    p.header.PasswordChecksum = 0;
    p.header.ProgramDir = folder().windowsPath() + "\\Fixed";
    std::string setup = Installer(p);
    WineProcess run({setup}, Traced());
    RunResult driven = Drive(Then({"page", "Welcome", Wait, "press", "NEXT", Wait, "page", "Select Target Directory", Wait,
                                   "text", "1000", Wait, "enabled", "1000", Wait},
                                  CancelConfirmed()),
                             Milliseconds(180000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    EXPECT_EQ(DriverValues(driven.output, "text"), std::vector<std::string>{p.header.ProgramDir});
    EXPECT_EQ(DriverValues(driven.output, "enabled"), std::vector<std::string>{"0"});
}

TEST_F(Wizard, CancelledOnTheFirstPageLeavesNoTrace) {
    std::string setup = Installer(Product());
    PrefixSnapshot before = TakePrefixSnapshot();
    WineProcess run({setup}, Traced());
    // No to the question keeps the wizard where it was; Yes ends it without another word.
    RunResult driven = Drive({"page", "Welcome", Wait, "press", "CANCEL", Wait, "answer", "Confirm", "7", Wait,
                              "page", "Welcome", Wait, "press", "CANCEL", Wait, "answer", "Confirm", "6", Wait,
                              "gone", "ZelSetupWindow", "*", Wait},
                             Milliseconds(180000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    EXPECT_EQ(DriverValues(driven.output, "box"),
              (std::vector<std::string>{"Do you REALLY want to cancel this installation?",
                                        "Do you REALLY want to cancel this installation?"}));
    EXPECT_EQ(Difference(before, TakePrefixSnapshot()), std::vector<std::string>{});
}

TEST_F(Wizard, CancelledDuringTheInstallation) {
    InstallPackage p = Product();
    // Enough data that the progress dialog is still up when Cancel is pressed.
    for (unsigned i = 0; i < 3; ++i) {
        ByteVector noise(6000000);
        unsigned state = i + 7;
        for (u8& b : noise) b = static_cast<u8>((state = state * 1103515245u + 12345u) >> 16);
        p.files.push_back(File("part" + std::to_string(i) + ".bin", std::move(noise)));
    }
    const std::string programDir = "C:\\Program Files\\Wizard Notes";
    WineProcess run({Installer(p)}, Traced());
    RunResult driven = Drive(Then(ToDirectoryPage(), {"press", "NEXT", Wait, "page", "Select Start-Menu Folder", Wait,
                                                      "press", "FINISH", Wait, "click", "Extracting files...", "2", Wait,
                                                      "answer", "Confirm?", "6", Wait, "answer", "Cancelled!", "1", Wait}),
                             Milliseconds(240000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    std::vector<std::string> boxes = DriverValues(driven.output, "box");
    ASSERT_EQ(boxes.size(), 2u) << driven.output;
    EXPECT_EQ(boxes[1].rfind("You have chosen to cancel the installation.", 0), 0u) << boxes[1];
    // The choices were remembered before anything was installed.
    EXPECT_EQ(QueryRegistry(RememberedKey(), "Path"), programDir);
    UninstallUnfinished(programDir);
}

TEST_F(Wizard, ADamagedPackageEndsInTheCorruptedMessage) {
    InstallPackage p = Product();
    p.header.LicenceText.reset();
    p.header.PasswordChecksum = 0;
    p.header.ProgramDir = folder().windowsPath() + "\\Damaged";
    ByteVector noise(400000);
    unsigned state = 3;
    for (u8& b : noise) b = static_cast<u8>((state = state * 1103515245u + 12345u) >> 16);
    p.files = {File("data.bin", std::move(noise))};
    std::string setup = Installer(p);
    // A byte in the middle of the file's blocks.
    std::fstream image(folder().hostFile("SETUP.EXE"), std::ios::in | std::ios::out | std::ios::binary);
    image.seekg(0, std::ios::end);
    std::streamoff middle = 65536 + (static_cast<std::streamoff>(image.tellg()) - 65536) / 2;
    image.seekg(middle);
    char byte = 0;
    image.get(byte);
    image.seekp(middle);
    image.put(static_cast<char>(byte ^ 0x20));
    image.close();

    WineProcess run({setup}, Traced());
    RunResult driven = Drive({"page", "Welcome", Wait, "press", "NEXT", Wait, "page", "Select Target Directory", Wait,
                              "press", "NEXT", Wait, "page", "Select Start-Menu Folder", Wait, "press", "FINISH", Wait,
                              "answer", "Error!", "1", "120000", "answer", "Installation Failed!", "1", Wait},
                             Milliseconds(240000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    std::vector<std::string> boxes = DriverValues(driven.output, "box");
    ASSERT_EQ(boxes.size(), 2u) << driven.output;
    EXPECT_EQ(boxes[0], "There was an error extracting a file.");
    EXPECT_EQ(boxes[1].rfind("The installation was not successful. One of the files appears to be corrupted.", 0), 0u)
        << boxes[1];
    UninstallUnfinished(p.header.ProgramDir);
}

// On the NT platform the system moves the file into place at the restart: no Finalizer
// is needed, so it is deleted and the run-after program opens at once.
TEST_F(Wizard, AFileInUseOnTheNtPlatformIsMovedAtTheNextRestart) {
    InstallPackage p = InUseProduct();
    const std::string readme = p.header.ProgramDir + "\\readme.txt";
    WineProcess run({Installer(p)}, Traced());
    RunResult driven = Drive(Then(InUseInstallation(readme), {"answer", "Success!", "1", "120000",
                                                                 "close", "Notepad", "*", Wait}),
                             Milliseconds(240000));
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    std::vector<std::string> boxes = DriverValues(driven.output, "box");
    ASSERT_EQ(boxes.size(), 2u) << driven.output;
    EXPECT_EQ(boxes[1], "Installation complete! Some files could not be updated immediately; you will need to restart "
                        "Windows to finalize the installation.");
    EXPECT_EQ(Contents(readme + ".NewTemp"), "Read me first.\r\n");
    EXPECT_NE(Lower(PendingMoves()).find(Lower(readme + ".NewTemp")), std::string::npos) << PendingMoves();
    EXPECT_FALSE(fs::exists(HostPath(p.header.ProgramDir + "\\FINALIZE.EXE")));
    EXPECT_FALSE(QueryRegistry(RunOnceKey, "ZelSetup_Finalize"));
    Uninstall(p.header.ProgramDir);
}

// Elsewhere the Finalizer does it: scheduled once by its quoted path, with the run-after
// command kept for it, and the user is asked whether to restart now.
TEST_F(Wizard, AFileInUseElsewhereIsLeftToTheFinalizer) {
    InstallPackage p = InUseProduct();
    const std::string readme = p.header.ProgramDir + "\\readme.txt";
    const std::string versionKey = "HKCU\\Software\\Wine\\AppDefaults\\SETUP.EXE";
    ASSERT_EQ(RunWine({"reg", "add", versionKey, "/v", "Version", "/d", "win98", "/f"}, ProgramTimeout).exitCode, 0);
    WineProcess run({Installer(p)}, Traced());
    RunResult driven = Drive(Then(InUseInstallation(readme), {"answer", "Restart Windows?", "7", "120000",
                                                                 "answer", "Success!", "1", Wait}),
                             Milliseconds(240000));
    RunWine({"reg", "delete", versionKey, "/f"}, ProgramTimeout);
    ASSERT_EQ(driven.exitCode, 0) << driven.output;
    EXPECT_EQ(run.Wait(ProgramTimeout), 0);
    std::vector<std::string> boxes = DriverValues(driven.output, "box");
    ASSERT_EQ(boxes.size(), 3u) << driven.output;
    EXPECT_EQ(boxes[1], "Installation complete! Some files could not be updated immediately; you will need to restart "
                        "Windows to finalize the installation.\\n\\nMay I restart Windows now?");
    EXPECT_EQ(boxes[2], "Remember to restart Windows before trying to use the newly-installed program.");
    EXPECT_EQ(Contents(readme + ".NewTemp"), "Read me first.\r\n");
    EXPECT_TRUE(fs::exists(HostPath(p.header.ProgramDir + "\\FINALIZE.EXE")));
    // Quoted, so that a blank in the path cannot start another program.
    EXPECT_EQ(QueryRegistry(RunOnceKey, "ZelSetup_Finalize"), "\"" + p.header.ProgramDir + "\\Finalize.exe\"");
    EXPECT_EQ(QueryRegistry("HKLM\\SOFTWARE\\Marrowfen\\Packwright\\RunAfter", "RunAfter"), readme);

    RunWine({"reg", "delete", RunOnceKey, "/v", "ZelSetup_Finalize", "/f"}, ProgramTimeout);
    RunWine({"reg", "delete", "HKLM\\SOFTWARE\\Marrowfen", "/f"}, ProgramTimeout);
    Uninstall(p.header.ProgramDir);
}
