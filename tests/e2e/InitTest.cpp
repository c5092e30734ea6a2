// `packwright init` under Wine: the manifest drafted for a folder of product files builds as
// it is, and installs through the wizard with the program's start-menu shortcut in place.
#include <fmt/format.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/InstalledProducts.h"
#include "support/StubRun.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {
class Init : public StubTest {
protected:
    // The product leaves the shared prefix as it found it, and an interrupted run is undone
    // before the next.
    void SetUp() override {
        StubTest::SetUp();
        RemoveProduct();
    }
    void TearDown() override { RemoveProduct(); }

    static void RemoveProduct() {
        RunWine({"reg", "delete", "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Init Notes",
                 "/f"},
                ProgramTimeout);
        RunWine({"reg", "delete", "HKEY_LOCAL_MACHINE\\Software\\ZelSetup\\Init Notes", "/f"}, ProgramTimeout);
        fs::remove_all(HostPath("C:\\Program Files\\Init Notes"));
        fs::remove_all(HostPath(ExpandInPrefix("{OurShortcutDir}", "", "Init Notes")));
    }

    void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
};
}  // namespace

TEST_F(Init, ADraftedManifestInstallsWithItsShortcut) {
    // The product as its developer has it: the program with its version resource, nested
    // folders, spaces in names, and version control's hidden files.
    fs::path product = folder().hostFile("Init Notes");
    fs::create_directories(product);
    fs::copy_file(BinDir() / "programs" / "notes.exe", product / "notes.exe");
    Write(product / "readme.txt", "Read me.\r\n");
    Write(product / "docs" / "user guide" / "start here.txt", "Start here.\r\n");
    Write(product / ".git" / "HEAD", "ref: refs/heads/main\n");

    fs::path manifest = folder().hostFile("setup.toml");
    std::string command = fmt::format("'{}' init '{}' -o '{}' > /dev/null", (BinDir() / "packwright").string(),
                                      product.string(), manifest.string());
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(manifest);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("version = '2.5.0.7'"), std::string::npos) << text;

    InstalledProduct installed = InstallProduct(manifest);
    EXPECT_EQ(installed.programDir, "C:\\Program Files\\Init Notes");
    EXPECT_TRUE(fs::exists(HostPath(installed.programDir + "\\notes.exe")));
    EXPECT_TRUE(fs::exists(HostPath(installed.programDir + "\\docs\\user guide\\start here.txt")));
    EXPECT_FALSE(fs::exists(HostPath(installed.programDir + "\\.git")));
    EXPECT_TRUE(fs::exists(HostPath(installed.uninstaller)));
    EXPECT_TRUE(fs::exists(HostPath(ExpandInPrefix("{OurShortcutDir}\\notes.lnk", "", "Init Notes"))));
}
