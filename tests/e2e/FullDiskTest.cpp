// An installation onto a drive that fills up part-way, as a user meets it: a small memory
// file system mounted on the host and mapped as drive D: of the prefix, and a product with
// nested folders whose largest file does not fit. The installation must say that it
// failed, leave no file under its real name that is shorter than its record yet carries
// the Package's time, and register an Uninstaller that removes whatever it left.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include "packwright/builder/BuildInstaller.h"
#include "support/InstalledProducts.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
const long long PackagedSeconds = 1700000000;
const std::string ProgramDir = "D:\\Sample Tool";
const std::string UninstallKey = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sample Tool";
const std::string RememberedChoicesKey = "HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Sample Tool";

struct ProductFile {
    std::string target;  // below the program folder
    std::size_t size;
    bool fits;  // written before the drive is full
};
// Several small files in nested folders fit; the large one fills the drive part-way; the
// last one is never reached.
const std::vector<ProductFile> Files = {{"bin\\tool.exe", 9000, true},
                                        {"bin\\plugins\\helper.dll", 12000, true},
                                        {"docs\\read me.txt", 3000, true},
                                        {"docs\\licence.txt", 5000, true},
                                        {"data\\index.dat", 1000, true},
                                        {"data\\tables\\big.dat", 300000, false},
                                        {"data\\after.dat", 2000, false}};
// Room on the drive beyond the two companion programs and the small files: part of the
// large file.
const std::size_t RoomForTheLargeFile = 32 * 1024;

std::size_t Pages(std::size_t bytes) { return (bytes + 4095) / 4096 * 4096; }

class FullDisk : public StubTest {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a small drive needs root; the full-disk scenario is skipped";
        StubTest::SetUp();
        mountPoint_ = fs::temp_directory_path() / ("packwright-fulldisk-" + std::to_string(::getpid()));
        fs::create_directories(mountPoint_);
        // Each companion program is the Stub with a short Package (and the log) behind it.
        std::size_t companion = Pages(fs::file_size(TestStubPath()) + 8192);
        std::size_t smallFiles = 0;
        for (const ProductFile& f : Files)
            if (f.fits) smallFiles += Pages(f.size);
        std::string options = "size=" + std::to_string(2 * companion + smallFiles + RoomForTheLargeFile);
        if (::mount("tmpfs", mountPoint_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            fs::remove(mountPoint_);
            GTEST_SKIP() << "a small drive cannot be mounted here: " << std::strerror(errno);
        }
        mounted_ = true;
        drive_ = PrefixPath() / "dosdevices" / "d:";
        if (fs::is_symlink(drive_)) {
            savedDrive_ = fs::read_symlink(drive_);
            fs::remove(drive_);
        }
        fs::create_directory_symlink(mountPoint_, drive_);
        for (const std::string& key : {UninstallKey, RememberedChoicesKey}) RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
    }
    void TearDown() override {
        if (!mounted_) return;
        fs::remove(drive_);
        if (!savedDrive_.empty()) fs::create_directory_symlink(savedDrive_, drive_);
        ::umount2(mountPoint_.c_str(), MNT_DETACH);
        fs::remove(mountPoint_);
        for (const std::string& key : {UninstallKey, RememberedChoicesKey}) RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
    }

    // The product's manifest and files in the test's folder; the installer built from them.
    std::string BuildProduct() {
        fs::path source = folder().hostFile("product");
        fs::create_directories(source);
        std::ofstream manifest(source / "setup.toml");
        manifest << "title = \"Sample Tool 1.0\"\nuninstall_name = \"Sample Tool\"\nprogram_dir = '" << ProgramDir << "'\n";
        std::mt19937 rng(7);
        for (const ProductFile& f : Files) {
            std::string relative = f.target;
            std::replace(relative.begin(), relative.end(), '\\', '/');
            fs::create_directories((source / relative).parent_path());
            std::ofstream out(source / relative, std::ios::binary);
            for (std::size_t i = 0; i < f.size; ++i) out.put(static_cast<char>(rng()));  // does not compress
            manifest << "[[file]]\nsource = \"" << relative << "\"\ntarget = '{OurProgramDir}\\" << f.target << "'\n";
        }
        manifest.close();
        BuildOptions build;
        build.manifestPath = (source / "setup.toml").string();
        build.outputPath = folder().hostFile("SETUP.EXE").string();
        build.stubPath = TestStubPath().string();
        build.latestFileTime = PackagedSeconds;  // every file carries this time
        build.messages = nullptr;
        BuildInstaller(build);
        return folder().windowsFile("SETUP.EXE");
    }

    // Every file and folder left on the drive, by its path there.
    struct Entry {
        long long size, seconds;  // a folder's size is -1
    };
    std::map<std::string, Entry> DriveContents() const {
        std::map<std::string, Entry> entries;
        for (const auto& entry : fs::recursive_directory_iterator(mountPoint_)) {
            struct stat st;
            ::stat(entry.path().c_str(), &st);
            entries[fs::relative(entry.path(), mountPoint_).string()] = {entry.is_directory() ? -1 : st.st_size, st.st_mtime};
        }
        return entries;
    }
    static std::set<std::string> Names(const std::map<std::string, Entry>& entries) {
        std::set<std::string> names;
        for (const auto& [path, entry] : entries) names.insert(path);
        return names;
    }
    static std::string OnDrive(const std::string& target) {
        std::string path = "Sample Tool/" + target;
        std::replace(path.begin(), path.end(), '\\', '/');
        return path;
    }

    fs::path mountPoint_, drive_, savedDrive_;
    bool mounted_ = false;
};
}  // namespace

TEST_F(FullDisk, FailedInstallationLeavesNoShortFileWithThePackagedTimeAndIsRemovedWhole) {
    std::string setup = BuildProduct();
    const std::string wait = "120000";
    RunResult run = Drive({"launch", "\"" + setup + "\"", "through", "", wait, "answer", "Error!", "1", wait,
                           "answer", "Installation Failed!", "1", wait, "gone", "ZelSetupWindow", "*", wait},
                          Milliseconds(300000));
    ASSERT_EQ(run.exitCode, 0) << run.output;
    std::vector<std::string> boxes = DriverValues(run.output, "box");
    ASSERT_EQ(boxes.size(), 2u) << run.output;
    EXPECT_EQ(boxes[0], "There was an error extracting a file.");
    EXPECT_EQ(boxes[1].rfind("The installation was not successful. One or more files could not be written.", 0), 0u)
        << boxes[1];

    std::map<std::string, Entry> left = DriveContents();
    for (const ProductFile& f : Files) {
        auto found = left.find(OnDrive(f.target));
        long long size = found == left.end() ? -1 : found->second.size;
        bool packagedTime = found != left.end() && found->second.seconds == PackagedSeconds;
        if (f.fits) {
            EXPECT_TRUE(size == static_cast<long long>(f.size) && packagedTime) << f.target << " is not complete";
        } else if (packagedTime) {
            EXPECT_EQ(size, static_cast<long long>(f.size)) << f.target << " is short but carries the packaged time";
        }
    }
    // Nothing else under any name: the companions and the folders made so far.
    std::set<std::string> expected = {"Sample Tool", "Sample Tool/FINALIZE.EXE", "Sample Tool/UNINST.EXE",
                                      "Sample Tool/bin", "Sample Tool/bin/plugins", "Sample Tool/docs",
                                      "Sample Tool/data", "Sample Tool/data/tables"};
    for (const ProductFile& f : Files)
        if (f.fits) expected.insert(OnDrive(f.target));
    EXPECT_EQ(Names(left), expected);

    InstalledProduct product{ProgramDir, ProgramDir + "\\UNINST.EXE", ProgramDir + "\\FINALIZE.EXE"};
    ASSERT_TRUE(RegistryKeyExists(UninstallKey));
    fs::remove(HostPath(UserTempDirectory() + "\\UNINST.EXE"));
    RunResult removal = Drive(UninstallCommands(product), ProgramTimeout);
    ASSERT_EQ(removal.exitCode, 0) << removal.output;
    EXPECT_EQ(Names(DriveContents()), std::set<std::string>{});
    EXPECT_FALSE(RegistryKeyExists(UninstallKey));
    EXPECT_FALSE(RegistryKeyExists(RememberedChoicesKey));
}

// A silent installation that fails says so through its exit code alone.
TEST_F(FullDisk, SilentRunEndsWith1603) {
    std::string setup = BuildProduct();
    // Started by the driver, which reports the whole exit code: wine's own status keeps only
    // its low byte.
    RunResult run = Drive({"start", "\"" + setup + "\" /VERYSILENT", "240000"}, Milliseconds(300000));
    EXPECT_EQ(DriverValues(run.output, "exit"), std::vector<std::string>{"1603"}) << run.output;
    InstalledProduct product{ProgramDir, ProgramDir + "\\UNINST.EXE", ProgramDir + "\\FINALIZE.EXE"};
    RunResult removal = Drive(UninstallCommands(product), ProgramTimeout);
    ASSERT_EQ(removal.exitCode, 0) << removal.output;
    EXPECT_EQ(Names(DriveContents()), std::set<std::string>{});
}
