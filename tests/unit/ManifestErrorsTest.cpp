// Every manifest mistake is reported with its file, line and field, all of them in one run,
// and nothing is written.
#include <filesystem>

#include "TestSupport.h"
#include "packwright/builder/BuildInstaller.h"
#include "packwright/builder/InstallPlan.h"
#include "packwright/builder/ManifestReader.h"

namespace fs = std::filesystem;

namespace {

class ManifestErrors : public ::testing::Test {
protected:
    void SetUp() override {
        std::string marker = "WHERETOSTARTSTRING:";
        Bytes stub(marker.size() + 4 + 1000, 0);
        std::copy(marker.begin(), marker.end(), stub.begin());
        WriteFileBytes(dir.file("stub.exe"), stub);
        fs::create_directories(dir.path() / "files");
        WriteFileBytes(dir.file("files/a.txt"), {'a'});
    }

    // Builds the manifest and returns every diagnostic, one per line; "" when it built.
    std::string Errors(const std::string& manifest, std::optional<u64> volumeSize = std::nullopt) {
        fs::remove_all(dir.path() / "out");
        WriteFileBytes(dir.file("setup.toml"), Bytes(manifest.begin(), manifest.end()));
        BuildOptions o;
        o.manifestPath = dir.file("setup.toml");
        o.outputPath = dir.file(output);
        o.stubPath = dir.file("stub.exe");
        o.messages = nullptr;
        o.volumeSize = volumeSize;
        std::string text;
        try {
            BuildInstaller(o);
        } catch (const ManifestError& e) {
            for (const Diagnostic& d : e.Diagnostics()) text += FormatDiagnostic(d) + "\n";
        } catch (const BuildError& e) {
            text = e.what();
        }
        EXPECT_FALSE(!text.empty() && fs::exists(dir.path() / "out")) << "output written despite: " << text;
        return text;
    }

    std::string Path() const { return dir.file("setup.toml"); }
    TempDir dir;
    std::string output = "out/setup.exe";
};

::testing::AssertionResult Contains(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected\n  " << part << "\nin\n  " << text;
}

const std::string Base = "title = \"T\"\nprogram_dir = \"T\"\n";  // lines 1 and 2

}  // namespace

TEST_F(ManifestErrors, TopLevelFields) {
    EXPECT_TRUE(Contains(Errors("program_dir = \"T\"\n"), Path() + ": error: title: is required"));
    EXPECT_TRUE(Contains(Errors(Base + "titel = \"x\"\n"), Path() + ":3: error: titel: is not a known key; did you mean 'title'?"));
    EXPECT_TRUE(Contains(Errors(Base + "flavour = \"x\"\n"), Path() + ":3: error: flavour: is not a known key\n"));
    EXPECT_TRUE(Contains(Errors(Base + "footer = 5\n"), ":3: error: footer: must be a string or a list of one or two"));
    EXPECT_TRUE(Contains(Errors(Base + "footer = [\"a\", \"b\", \"c\"]\n"), ":3: error: footer:"));
    EXPECT_TRUE(Contains(Errors(Base + "footer = \"a\\nb\\nc\"\n"), ":3: error: footer: has more than two lines"));
    EXPECT_TRUE(Contains(Errors(Base + "title2 = \"x\"\ntitle = \"y\"\n"), "not valid TOML"));
    EXPECT_TRUE(Contains(Errors("title = \"T\nx\"\n"), Path() + ":1: error: not valid TOML"));
    EXPECT_TRUE(Contains(Errors("title = \"" + std::string(256, 'x') + "\"\n"),
                ":1: error: title: is 256 bytes long; the Package holds at most 255"));
    EXPECT_EQ(Errors("title = \"" + std::string(255, 'x') + "\"\n"), "");
    EXPECT_TRUE(Contains(Errors(Base + "run_after = \"" + std::string(300, 'r') + "\"\n"), ":3: error: run_after: is 300"));
    EXPECT_TRUE(Contains(Errors("title = \"a\\u0000b\"\n"), ":1: error: title: must not contain a NUL"));
    EXPECT_TRUE(Contains(Errors(Base + "run_after = \"\u4e2d.exe\"\n"),
                         ":3: error: run_after: holds U+4E2D, which the installer cannot show"));
    WriteFileBytes(dir.file("greek.txt"), {0xCE, 0xB1});  // a UTF-8 alpha
    EXPECT_TRUE(Contains(Errors(Base + "licence = \"greek.txt\"\n"), ":3: error: licence: '"));
    WriteFileBytes(dir.file("latin1.txt"), {'n', 0xE9, 'e'});  // not UTF-8: taken as it stands
    EXPECT_EQ(Errors(Base + "licence = \"latin1.txt\"\n"), "");
    // The uninstall log names the registration key with the name: 183 bytes are left for it.
    EXPECT_EQ(Errors(Base + "uninstall_name = \"" + std::string(183, 'u') + "\"\n"), "");
    EXPECT_TRUE(Contains(Errors(Base + "uninstall_name = \"" + std::string(184, 'u') + "\"\n"),
                         ":3: error: uninstall_name: is 184 bytes long; the Package holds at most 183"));
    EXPECT_TRUE(Contains(Errors(Base + "uninstall_name = 'A\\B'\n"), ":3: error: uninstall_name: must not contain '\\'"));
    EXPECT_TRUE(Contains(Errors("title = \"T\"\nuninstall_name = \"U\"\n"), ":2: error: uninstall_name: needs program_dir"));
    // A fixed program folder is used as written: only a drive path names the same folder wherever the installer runs.
    EXPECT_TRUE(Contains(Errors("title = \"T\"\nprogram_dir = 'Zebra Works\\Ledger'\n"),
                         ":2: error: program_dir: 'Zebra Works\\Ledger' is a fixed folder (it has a backslash) but does not start with a drive"));
    EXPECT_TRUE(Contains(Errors("title = \"T\"\nprogram_dir = '{WinDir}\\Ledger'\n"),
                         ":2: error: program_dir: '{WinDir}\\Ledger' starts with a path macro"));
    EXPECT_EQ(Errors("title = \"T\"\nprogram_dir = 'd:\\Zebra Works\\Ledger'\n"), "");
    EXPECT_TRUE(Contains(Errors(Base + "password = \"\"\n"), ":3: error: password: must not be empty"));
    EXPECT_TRUE(Contains(Errors(Base + "licence = \"nothing.txt\"\n"), ":3: error: licence: cannot read"));
    WriteFileBytes(dir.file("long.txt"), Bytes(70000, 'L'));
    EXPECT_TRUE(Contains(Errors(Base + "licence = \"long.txt\"\n"), ":3: error: licence: the install header is"));
    WriteFileBytes(dir.file("nul.txt"), {'a', 0, 'b'});
    EXPECT_TRUE(Contains(Errors(Base + "licence = \"nul.txt\"\n"), ":3: error: licence: "));
    EXPECT_TRUE(Contains(Errors(Base + "volume_size = \"lots\"\n"), ":3: error: volume_size: must be a positive number"));
    EXPECT_TRUE(Contains(Errors(Base + "volume_size = 1000\n"), ":3: error: volume_size: 1000 bytes is too small"));
    EXPECT_TRUE(Contains(Errors(Base, 1024), "--volume-size 1024 bytes is too small"));
    EXPECT_TRUE(Contains(Errors(Base + "volume_size = \"5 GB\"\n"), ":3: error: volume_size: must be below 4 GiB"));
    output = "out/setup";  // volumes are named by replacing the extension
    EXPECT_TRUE(Contains(Errors(Base, 2000), "the output '" + dir.file("out/setup") + "' needs an extension"));
}

TEST_F(ManifestErrors, Files) {
    auto file = [](const std::string& body) { return Base + "[[file]]\n" + body; };  // body from line 4
    EXPECT_TRUE(Contains(Errors(file("target = '{OurProgramDir}\\a'\n")), ":3: error: file[1].source: is required"));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/none.txt\"\ntarget = '{OurProgramDir}\\a'\n")),
                ":4: error: file[1].source: 'files/none.txt' is not a readable file"));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/*.bin\"\ntarget = '{OurProgramDir}'\n")),
                ":4: error: file[1].source: 'files/*.bin' matches no file"));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/a.txt\"\ntarget = '{OurProgramDir}\\a'\nshared = 1\n")),
                ":6: error: file[1].shared: must be true or false"));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/a.txt\"\ntarget = '{OurProgramDir}\\a'\nmode = 1\n")),
                ":6: error: file[1].mode: is not a known key"));
    EXPECT_TRUE(Contains(Errors("title = \"T\"\n[[file]]\nsource = \"files/a.txt\"\ntarget = '{OurProgramDir}\\a'\n"),
                ":4: error: file[1].target: uses {OurProgramDir} but program_dir is empty"));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/a.txt\"\ntarget = '{WinDir}\\a.txt'\n[[file]]\nsource = \"files/*.txt\"\n"
                            "target = '{windir}'\n")),
                ":8: error: file[2].target: '{windir}\\a.txt' is also installed by file[1]"));
    // Messages are UTF-8 even though the texts are in the installer's code page by then.
    EXPECT_TRUE(Contains(Errors(file("source = \"files/a.txt\"\ntarget = '{WinDir}\\\xC3\xA9'\n[[file]]\n"
                                     "source = \"files/a.txt\"\ntarget = '{WinDir}\\\xC3\xA9'\n")),
                         ":8: error: file[2].target: '{WinDir}\\\xC3\xA9' is also installed by file[1]"));
    // The limit applies to each installed path, after a glob's names are appended.
    std::string name(250, 'n');
    WriteFileBytes(dir.file("files/" + name), {'x'});
    EXPECT_TRUE(Contains(Errors(file("source = \"files/n*\"\ntarget = '{WinDir}\\sub'\n")),
                ":5: error: file[1].target: is 263 bytes long"));
    fs::remove(dir.file("files/" + name));
    EXPECT_TRUE(Contains(Errors(file("source = \"files/a.txt\"\ntarget = \"{WinDir}\\ta\"\n")),
                ":5: error: file[1].target: must not contain a TAB"));
    // Sizes the header cannot describe: sparse files cost no disk space.
    auto sparse = [&](const std::string& name, u64 size) {
        WriteFileBytes(dir.file("files/" + name), {});
        fs::resize_file(dir.file("files/" + name), size);
    };
    sparse("huge.bin", 65536ull * 65000);
    EXPECT_TRUE(Contains(Errors(file("source = \"files/huge.bin\"\ntarget = '{WinDir}\\h'\n")),
                ":4: error: file[1].source: '" + dir.file("files/huge.bin") + "' is 4259840000 bytes: 65536 "
                          "blocks of 65000 bytes, more than the 65535"));
    fs::remove(dir.file("files/huge.bin"));
    sparse("big1.bin", 2200000000ull);
    sparse("big2.bin", 2200000000ull);
    // Together above 4 GiB is fine: the installer multiplies the header's counts out in 64 bits.
    EXPECT_FALSE(Contains(Errors(file("source = \"files/big*.bin\"\ntarget = '{WinDir}'\n")), "error"));
}

TEST_F(ManifestErrors, ShortcutsAndRegistry) {
    std::string shortcut = Base + "[[shortcut]]\n";  // keys from line 4
    EXPECT_TRUE(Contains(Errors(shortcut + "link = '{Desktop}\\a=b'\ntarget = '{OurProgramDir}\\x'\n"),
                ":4: error: shortcut[1].link: must not contain '='"));
    EXPECT_TRUE(Contains(Errors(shortcut + "link = '{Desktop}\\a'\n"), ":3: error: shortcut[1].target: is required"));
    EXPECT_TRUE(Contains(Errors(shortcut + "link = '{Desktop}\\a'\ntarget = 'x'\narguments = \"a\\tb\"\n"),
                ":6: error: shortcut[1].arguments: must not contain a TAB"));
    EXPECT_TRUE(Contains(Errors(shortcut + "link = '{Desktop}\\a'\ntarget = 'x'\narguments = \"" + std::string(250, 'a') + "\"\n"),
                ":3: error: shortcut[1]: link, target, arguments and working_dir take 265 bytes"));
    EXPECT_TRUE(Contains(Errors("title = \"T\"\n[[shortcut]]\nlink = '{Desktop}\\a'\ntarget = '{OurProgramDir}\\x'\n"),
                ":4: error: shortcut[1].target: uses {OurProgramDir} but program_dir is empty"));

    std::string key = Base + "[[registry]]\nkey = 'HKCU\\Software\\S'\n";  // values from line 5
    EXPECT_TRUE(Contains(Errors(Base + "[[registry]]\nkey = 'HKEY_USERS\\S'\n"),
                ":4: error: registry[1].key: must start with HKEY_CLASSES_ROOT\\"));
    EXPECT_TRUE(Contains(Errors(Base + "[[registry]]\nkey = 'HKLM\\'\n"), ":4: error: registry[1].key:"));
    EXPECT_TRUE(Contains(Errors(Base + "[[registry]]\nkey = 'HKLM\\" + std::string(240, 'k') + "'\n"),
                ":4: error: registry[1].key: is 260 bytes long"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"\", string = \"x\" }]\n"),
                ":5: error: registry[1].values[1].name: must not be empty"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \":x\", string = \"x\" }]\n"),
                ":5: error: registry[1].values[1].name: must not start with ':'"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"a=b\", string = \"x\" }]\n"),
                ":5: error: registry[1].values[1].name: must not contain '='"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"a\", string = \"x\", dword = 1 }]\n"),
                ":5: error: registry[1].values[1].value: give exactly one of"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"a\" }]\n"), "registry[1].values[1].value: give exactly one"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"a\", dword = 4294967296 }]\n"),
                ":5: error: registry[1].values[1].dword: must be an integer from 0 to 4294967295"));
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"a\", binary = \"0g\" }]\n"),
                ":5: error: registry[1].values[1].binary: must be a string of hexadecimal"));
    // 5 bytes of name, '=' and type, 2 of length: 248 data bytes fit, 249 do not.
    std::string hex248, hex249;
    for (int i = 0; i < 248; ++i) hex248 += "ab";
    hex249 = hex248 + "cd";
    EXPECT_EQ(Errors(key + "values = [{ name = \"abc\", binary = \"" + hex248 + "\" }]\n"), "");
    EXPECT_TRUE(Contains(Errors(key + "values = [{ name = \"abc\", binary = \"" + hex249 + "\" }]\n"),
                ":5: error: registry[1].values[1]: name and data take 256 bytes"));
    // [[registry.values]] tables report their own lines.
    EXPECT_TRUE(Contains(Errors(key + "[[registry.values]]\nname = \"ok\"\ndword = 1\n[[registry.values]]\nname = \"bad=\"\n"
                             "string = \"x\"\n"),
                ":9: error: registry[1].values[2].name: must not contain '='"));
}

TEST_F(ManifestErrors, EveryProblemIsReportedInOneRun) {
    std::string text = Errors("titel = 1\nfooter = 2\n[[file]]\nsource = \"files/none\"\ntarget = 'x'\n");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 5) << text;  // title, titel, footer, source, target warning
    EXPECT_NE(text.find("warning: file[1].target: 'x' does not start with a known path macro"), std::string::npos);
}

TEST(ManifestWarnings, AreReportedAndTheBuildGoesOn) {
    TempDir dir;
    std::string marker = "WHERETOSTARTSTRING:";
    Bytes stub(marker.begin(), marker.end());
    stub.resize(stub.size() + 4, 0);
    WriteFileBytes(dir.file("stub.exe"), stub);
    WriteFileBytes(dir.file("a.txt"), {'a'});
    std::string manifest =
        "title = \"T\"\nprogram_dir = \"T\"\n"
        "[[file]]\nsource = \"a.txt\"\ntarget = 'C:\\Program Files\\T\\a.txt'\n"
        "[[shortcut]]\nlink = '{OurShortcutDir}\\T'\ntarget = '{ProgramDir}\\a.txt'\n";
    WriteFileBytes(dir.file("setup.toml"), Bytes(manifest.begin(), manifest.end()));
    BuildOptions o;
    o.manifestPath = dir.file("setup.toml");
    o.outputPath = dir.file("setup.exe");
    o.stubPath = dir.file("stub.exe");
    o.messages = nullptr;
    BuildResult result = BuildInstaller(o);
    ASSERT_EQ(result.warnings.size(), 3u);
    EXPECT_EQ(FormatDiagnostic(result.warnings[0]),
              dir.file("setup.toml") + ":5: warning: file[1].target: 'C:\\Program Files\\T\\a.txt' does not start "
              "with a known path macro ({OurProgramDir}, {WinDir}, {WinSysDir}, {WinDrive}, {OurShortcutDir}, "
              "{StartUp}, {StartMenu}, {StartPrograms}, {Desktop})");
    EXPECT_EQ(result.warnings[1].line, 8);
    EXPECT_EQ(result.warnings[1].message, "{ProgramDir} is not a path macro the installer knows; it stays as written");
    EXPECT_EQ(result.warnings[2].field, "shortcut[1].link");  // {OurShortcutDir} without a start-menu folder
    EXPECT_TRUE(fs::exists(dir.file("setup.exe")));

    // A manifest without a single file builds, but not without a word.
    manifest = "title = \"T\"\n[[registry]]\nkey = 'HKCU\\Software\\T'\n";
    WriteFileBytes(dir.file("setup.toml"), Bytes(manifest.begin(), manifest.end()));
    result = BuildInstaller(o);
    ASSERT_EQ(result.warnings.size(), 1u);
    EXPECT_EQ(result.warnings[0].message, "the manifest names no [[file]]: the installer will install no files");
}
