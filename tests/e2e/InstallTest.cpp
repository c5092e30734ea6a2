// The installation engine in the real Stub under Wine, started through the test build's
// hook that installs with the header's defaults: files, shortcuts, registry values, the
// companion programs and the uninstall registration, the progress dialog with Cancel, and
// a file in use replaced at the next restart.
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "packwright/writer/InstallerWriter.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const long long PackagedSeconds = 1700000000;
const std::string Key = "HKCU\\Software\\Packwright E2E\\Install";

class Install : public StubTest {
protected:
    // Installs into "<test folder>\Program Files\Sample": a blank in the path, as usual.
    std::string App() { return folder().windowsPath() + "\\Program Files\\Sample"; }
    std::string UninstallName() const {
        return std::string("Packwright E2E ") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    InstallPackage Product() {
        InstallPackage p;
        p.header.ProductTitle = "Packwright Engine Test";
        p.header.FooterText = "Footer";
        p.header.UninstallName = UninstallName();
        p.header.ProgramDir = App();
        p.header.ShortcutFolder = "Packwright Test";
        return p;
    }
    static PackageFile File(const std::string& name, ByteVector data, long long seconds = PackagedSeconds) {
        PackageFile f;
        f.record.name = "{OurProgramDir}\\" + name;
        f.record.time = FileTimeFromUnix(seconds);
        f.data = std::move(data);
        return f;
    }
    // Data that does not compress, so that decoding takes a while.
    static ByteVector Noise(std::size_t size, unsigned seed) {
        std::mt19937 rng(seed);
        ByteVector data(size);
        for (u8& b : data) b = static_cast<u8>(rng());
        return data;
    }
    std::string Installer(const InstallPackage& p) {
        WriteInstaller(TestStubPath(), folder().hostFile("SETUP.EXE"), p);
        return folder().windowsFile("SETUP.EXE");
    }
    Environment Installing() const { return Traced({{"PACKWRIGHT_TEST_INSTALL", "1"}}); }
    std::string TraceValue(const std::string& event) const {
        for (const TraceEvent& e : Trace())
            if (e.event == event) return e.value;
        return "(none)";
    }
    ByteVector Contents(const std::string& windowsPath) const {
        std::ifstream in(HostPath(windowsPath), std::ios::binary);
        return ByteVector((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    long long ModifiedSeconds(const std::string& windowsPath) const {
        struct stat st;
        return ::stat(HostPath(windowsPath).c_str(), &st) == 0 ? static_cast<long long>(st.st_mtime) : -1;
    }
    // "TYPE DATA" of a registry value, as reg.exe prints it.
    static std::string Value(const std::string& key, const std::string& name) {
        std::vector<std::string> query = {"reg", "query", key, "/ve"};
        if (!name.empty()) query = {"reg", "query", key, "/v", name};
        RunResult r = RunWine(query, ProgramTimeout);
        std::istringstream lines(r.output);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::size_t type = line.find("REG_");
            if (type != std::string::npos) {
                std::string rest = line.substr(type);
                std::size_t gap = rest.find("    ");
                return gap == std::string::npos ? rest : rest.substr(0, gap) + " " + rest.substr(gap + 4);
            }
        }
        return "(missing)";
    }
    // `packwright list` of a file in the prefix.
    static std::string List(const std::string& windowsPath) {
        std::string out = (fs::temp_directory_path() / "packwright-e2e-list.txt").string();
        std::string command = (BinDir() / "packwright").string() + " list '" + HostPath(windowsPath).string() + "' > " + out + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        std::ifstream in(out);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    static std::string Section(const std::string& listing, const std::string& heading) {
        std::size_t at = listing.find(heading);
        return at == std::string::npos ? "" : listing.substr(at);
    }
};
}  // namespace

TEST_F(Install, FilesShortcutRegistryCompanionsAndRegistration) {
    InstallPackage p = Product();
    p.files = {File("readme.txt", {'h', 'i', '\r', '\n'}, PackagedSeconds),
               File("data\\noise.bin", Noise(150000, 1), PackagedSeconds + 3600)};
    p.shortcuts = {"{OurProgramDir}\\Read me={OurProgramDir}\\readme.txt\t-open \"x y\"\t{OurProgramDir}\\data"};
    p.registry = {":HKEY_CURRENT_USER\\Software\\Packwright E2E\\Install", "Text=S{OurProgramDir}", "@=Sdefault",
                  std::string("Count=D\x2A\x00\x00\x00", 11), std::string("Blob=B\x03\x00\x01\x00\xFF", 11)};
    p.runAfter = "{OurProgramDir}\\readme.txt";
    RunResult run = RunWine({Installer(p)}, ProgramTimeout, Installing());
    ASSERT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(TraceValue("installed"), "1");
    EXPECT_EQ(TraceValue("install-ok"), "1");
    EXPECT_EQ(TraceValue("run-after"), "{OurProgramDir}\\readme.txt");

    for (const PackageFile& f : p.files) {
        std::string path = App() + "\\" + f.record.name.substr(16);
        EXPECT_EQ(Contents(path), f.data) << path;
        EXPECT_EQ(ModifiedSeconds(path), f.record.time == FileTimeFromUnix(PackagedSeconds) ? PackagedSeconds : PackagedSeconds + 3600);
    }
    RunResult link = Drive({"shortcut", App() + "\\Read me.lnk"});
    EXPECT_EQ(DriverValues(link.output, "target"), std::vector<std::string>{App() + "\\readme.txt"}) << link.output;
    EXPECT_EQ(DriverValues(link.output, "arguments"), std::vector<std::string>{"-open \"x y\""});
    EXPECT_EQ(DriverValues(link.output, "directory"), std::vector<std::string>{App() + "\\data"});

    EXPECT_EQ(Value(Key, "Text"), "REG_SZ " + App());
    EXPECT_EQ(Value(Key, ""), "REG_SZ default");
    EXPECT_EQ(Value(Key, "Count"), "REG_DWORD 0x2a");
    EXPECT_EQ(Value(Key, "Blob"), "REG_BINARY 0100FF");
    std::string registration = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + UninstallName();
    EXPECT_EQ(QueryRegistry(registration, "DisplayName"), UninstallName());
    EXPECT_EQ(QueryRegistry(registration, "UninstallString"), "\"" + App() + "\\UNINST.EXE\"");

    // Both companions are Stub copies the tool reads; the log lists what the Uninstaller removes.
    EXPECT_NE(List(App() + "\\FINALIZE.EXE").find("Kind:            finalizer (run mode 2)"), std::string::npos);
    std::string listing = List(App() + "\\UNINST.EXE");
    std::string expected = "Install log, files (5):\n  " + App() + "\\FINALIZE.EXE  (the finalizer)\n  " + App() +
                           "\\readme.txt\n  " + App() + "\\data\\noise.bin\n  " + App() +
                           "\\Read me.lnk  (a shortcut's link, by its name and place)\n  " + App() +
                           "\\UNINST.EXE  (the uninstaller)\nInstall log, registry (3 key groups):\n"
                           "  HKEY_CURRENT_USER\\Software\\Packwright E2E\\Install\n    Text\n    (default)\n    Count\n    Blob\n"
                           "  HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\" + UninstallName() +
                           "  (the installer's remembered choices)\n    Path\n    SPath\n"
                           "  HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + UninstallName() +
                           "  (the uninstall entry)\n    DisplayName\n    UninstallString\n";
    EXPECT_EQ(Section(listing, "Install log"), expected) << listing;
    RunWine({"reg", "delete", "HKCU\\Software\\Packwright E2E", "/f"}, ProgramTimeout);
    RunWine({"reg", "delete", registration, "/f"}, ProgramTimeout);
}

TEST_F(Install, ProgressDialogAndCancelWithdrawnThenConfirmed) {
    InstallPackage p = Product();
    for (unsigned i = 0; i < 4; ++i) p.files.push_back(File("part" + std::to_string(i) + ".bin", Noise(6000000, i + 2)));
    p.shortcuts = {"{OurProgramDir}\\Part={OurProgramDir}\\part0.bin"};
    p.registry = {":HKEY_CURRENT_USER\\Software\\Packwright E2E\\Cancelled", std::string("Seen=D\x01\x00\x00\x00", 10)};
    std::string setup = Installer(p);

    WineProcess first({setup}, Installing());
    RunResult withdrawn = Drive({"click", "Extracting files...", "2", "60000", "box", "Confirm?", "60000",
                                 "item", "Extracting files...", "1000", "5000", "bar", "Extracting files...", "1005", "5000",
                                 "bar", "Extracting files...", "1006", "5000", "answer", "Confirm?", "7", "5000"});
    ASSERT_EQ(withdrawn.exitCode, 0) << withdrawn.output;
    ASSERT_EQ(first.Wait(ProgramTimeout), 0);
    EXPECT_EQ(DriverValues(withdrawn.output, "box").at(0), "Do you REALLY wish to cancel this installation?");
    std::string status = DriverValues(withdrawn.output, "item").at(0);
    EXPECT_TRUE(status.rfind(App() + "\\part", 0) == 0) << status;  // the file being written
    std::vector<std::string> bars = DriverValues(withdrawn.output, "bar");
    ASSERT_EQ(bars.size(), 4u);
    EXPECT_TRUE(bars[0].size() > 7 && bars[0].substr(bars[0].size() - 7) == " of 372") << bars[0];  // 4 x 93 blocks
    EXPECT_EQ(bars[1], "shown");
    EXPECT_TRUE(bars[2].size() > 6 && bars[2].substr(bars[2].size() - 6) == " of 93") << bars[2];
    EXPECT_EQ(bars[3], "shown");
    EXPECT_EQ(TraceValue("installed"), "1");
    EXPECT_EQ(Contents(App() + "\\part3.bin"), p.files[3].data);
    EXPECT_EQ(Value("HKCU\\Software\\Packwright E2E\\Cancelled", "Seen"), "REG_DWORD 0x1");
    RunWine({"reg", "delete", "HKCU\\Software\\Packwright E2E", "/f"}, ProgramTimeout);

    // Again into an empty folder, and this time the cancel is confirmed.
    fs::remove_all(HostPath(App()));
    fs::remove(folder().hostFile("trace.txt"));
    WineProcess second({setup}, Installing());
    RunResult confirmed = Drive({"click", "Extracting files...", "2", "60000", "answer", "Confirm?", "6", "60000"});
    ASSERT_EQ(confirmed.exitCode, 0) << confirmed.output;
    ASSERT_EQ(second.Wait(ProgramTimeout), 0);
    EXPECT_EQ(TraceValue("installed"), "0");
    EXPECT_FALSE(fs::exists(HostPath(App() + "\\Part.lnk")));
    EXPECT_EQ(Value("HKCU\\Software\\Packwright E2E\\Cancelled", "Seen"), "(missing)");
    // What was written is logged for the Uninstaller; nothing from the sections after the
    // files but the installer's own two groups, so that the registration is removed too.
    std::string log = Section(List(App() + "\\UNINST.EXE"), "Install log");
    EXPECT_NE(log.find(App() + "\\part0.bin\n"), std::string::npos) << log;
    EXPECT_NE(log.find(App() + "\\UNINST.EXE  (the uninstaller)\nInstall log, registry (2 key groups):\n"
                                "  HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\"),
              std::string::npos)
        << log;
    RunWine({"reg", "delete", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + UninstallName(), "/f"},
            ProgramTimeout);
}

TEST_F(Install, FileInUseIsWrittenBesideAndReplacedAtTheRestart) {
    InstallPackage p = Product();
    p.header.UninstallName.clear();  // no uninstaller: only the file and FINALIZE.EXE
    p.files = {File("tool.dll", {'n', 'e', 'w'}, PackagedSeconds)};
    fs::create_directories(HostPath(App()));
    std::ofstream(HostPath(App() + "\\tool.dll"), std::ios::binary) << "old";
    std::string setup = Installer(p);

    WineProcess holder({DriverPath().string(), "hold", App() + "\\tool.dll", "sleep", "120000"});
    ASSERT_TRUE(WaitUntil(ProgramTimeout, [&] { return holder.Output().find("held:") != std::string::npos; }));
    WineProcess installer({setup}, Installing());
    // The installed file is newer than the packaged one: the older-version question.
    RunResult answered = Drive({"answer", "Overwrite?", "6", "60000", "item", "Overwrite file?", "1007", "60000",
                                "click", "Overwrite file?", "1008", "5000"});
    EXPECT_EQ(answered.exitCode, 0) << answered.output;
    EXPECT_EQ(DriverValues(answered.output, "item"), std::vector<std::string>{App() + "\\tool.dll"});
    ASSERT_EQ(installer.Wait(ProgramTimeout), 0);
    holder.Kill();

    EXPECT_EQ(TraceValue("install-ok"), "1");
    EXPECT_EQ(TraceValue("reboot-needed"), "1");
    EXPECT_EQ(Contents(App() + "\\tool.dll"), (ByteVector{'o', 'l', 'd'}));
    EXPECT_EQ(Contents(App() + "\\tool.dll.NewTemp"), (ByteVector{'n', 'e', 'w'}));
    RunResult pending = RunWine({"reg", "query", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "/v",
                                 "PendingFileRenameOperations"},
                                ProgramTimeout);
    std::string lower = pending.output;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string app = App();
    std::transform(app.begin(), app.end(), app.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_NE(lower.find(app + "\\tool.dll.newtemp"), std::string::npos) << pending.output;
}
