// list, verify and extract on sound, damaged and hostile installers.
#include <sys/stat.h>

#include <filesystem>

#include "ExamineTestSupport.h"
#include "packwright/cli/Commands.h"
#include "packwright/examine/Extract.h"
#include "packwright/examine/ExtractPaths.h"
#include "packwright/examine/ExamineError.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Verify.h"

namespace fs = std::filesystem;

namespace {
class Examine : public InstallerTest {
protected:
    // Bytes of the stream after the file section's last block: its end markers and sections.
    std::size_t TailSize() const {
        std::size_t tail = 2 + 1 + 1 + 1 + 1 + package.runAfter.size();  // end marker, three ends, run-after length
        for (const std::string& s : package.shortcuts) tail += 1 + s.size();
        for (const std::string& s : package.registry) tail += 1 + s.size();
        return tail;
    }
    std::string Verify(const std::string& path, bool expectSound, unsigned jobs = 1) {
        std::string report;
        EXPECT_EQ(VerifyPackage(path, report, jobs), expectSound) << report;
        EXPECT_FALSE(report.empty());
        return report;
    }
};

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Runs one subcommand as main does: 2 for usage errors, else the command's code.
int RunCommand(std::vector<std::string> args) {
    CLI::App app;
    int exitCode = 0;
    AddListCommand(app, &exitCode);
    AddVerifyCommand(app, &exitCode);
    AddExtractCommand(app, &exitCode);
    std::reverse(args.begin(), args.end());
    try {
        app.parse(args);
    } catch (const CLI::ParseError&) {
        return 2;
    }
    return exitCode;
}
}  // namespace

TEST_F(Examine, ListDecodesEveryPart) {
    package.header.ProductTitle = "Price 5 \x80 \x96 \x93quoted\x94 caf\xE9";
    ExaminedPackage read = ExaminePackage(Write(BuildInstallerImage(stub, package)));
    std::string text = ListingText(read);
    EXPECT_TRUE(Contains(text, "Product title:   Price 5 € – “quoted” café\n"));
    EXPECT_TRUE(Contains(text, "Licence text:    31 bytes"));
    EXPECT_TRUE(Contains(text, "65001       2  7.0.65535.1          2023-11-15 01:13:20  yes     {WinSysDir}\\common.dll"));
    EXPECT_TRUE(Contains(text, "  {OurShortcutDir}\\Sample Viewer  (.lnk is added)\n      target:      {OurProgramDir}\\viewer.exe\n"
                               "      working dir: {OurProgramDir}\n"));
    EXPECT_TRUE(Contains(text, "  HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer\n    Home                 string     {OurProgramDir}\n"
                               "    Runs                 dword      5 (0x00000005)\n    Key                  binary     00 ff 7f\n"));
    EXPECT_TRUE(Contains(text, "  32768 bytes:        393216 bytes (12 clusters)"));

    std::string json = ListingJson(read);
    EXPECT_TRUE(Contains(json, "\"product_title\": \"Price 5 € – “quoted” café\""));
    EXPECT_TRUE(Contains(json, "\"name\": \"Runs\",\n      \"default\": false,\n      \"type\": \"dword\",\n      "
                               "\"type_byte\": \"D\",\n      \"value\": 5,"));
    EXPECT_TRUE(Contains(json, "\"problems\": []"));

    CompanionPackage uninst{1, "Title", "Footer", "Name",
                            {"C:\\A\\FINALIZE.EXE", "C:\\W\\common.dll\t", "C:\\M\\Viewer.LNK", "C:\\A\\UNINST.EXE", "",
                             ":HKEY_CURRENT_USER\\K", "V", "", ""}};
    read = ExaminePackage(Write(BuildCompanionImage(stub, uninst), "UNINST.EXE"));
    EXPECT_TRUE(read.problems.empty());
    std::string log = ListingText(read);
    EXPECT_TRUE(Contains(log, "Kind:            uninstaller (run mode 1)"));
    EXPECT_TRUE(Contains(log, "  C:\\W\\common.dll  (shared)\n  C:\\M\\Viewer.LNK  (a shortcut's link, by its name and place)\n"));
    EXPECT_TRUE(Contains(log, "  HKEY_CURRENT_USER\\K\n    V\n"));
    // No manifest builds a companion: verify does not suggest comparing with one.
    std::string verified = Verify(Write(BuildCompanionImage(stub, uninst), "UNINST.EXE"), true);
    EXPECT_FALSE(Contains(verified, "--manifest")) << verified;
}

TEST_F(Examine, VerifyNamesTheDamagedBlockOrVolume) {
    ByteVector image = BuildInstallerImage(stub, package);
    std::string path = Write(image);
    EXPECT_TRUE(Contains(Verify(path, true), "installer: 5 files, 9 blocks, 1 volume"));

    ByteVector flipped = image;
    flipped[image.size() - TailSize() - 5] ^= 0x40;  // inside the last block's stored bytes
    EXPECT_TRUE(Contains(Verify(Write(flipped), false), "file 5 '{OurProgramDir}\\data\\mixed.bin', block 4 of 4 is damaged"));

    ByteVector header = image;
    header[stub.size() + 4 + 1 + 2] ^= 0x01;  // the header block's decoded checksum
    EXPECT_TRUE(Contains(Verify(Write(header), false), "install header block is damaged"));

    ByteVector truncated(image.begin(), image.end() - 1);
    EXPECT_TRUE(Contains(Verify(Write(truncated), false), "volume 0 '" + path + "' is damaged or incomplete"));

    VolumeLayout layout;
    layout.volumeSize = 30000;
    std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, InstallStream(package), layout);
    ASSERT_GE(volumes.size(), 3u);
    TempDir split;
    std::vector<std::string> paths = WriteVolumes(split, "SETUP.EXE", volumes);
    EXPECT_TRUE(Contains(Verify(paths[0], true), volumes.size() == 1 ? "1 volume" : "volumes"));
    fs::remove(paths[2]);
    EXPECT_TRUE(Contains(Verify(paths[0], false), "volume 2 is missing: looked for '" + split.file("SETUP.002") + "'"));

    // With sizes unchecked a cut last volume shows up as a volume that does not exist.
    layout.recordSizes = false;
    volumes = BuildInstallerVolumes(stub, InstallStream(package), layout);
    volumes.back().resize(volumes.back().size() - 3);
    TempDir cut;
    std::string report = Verify(WriteVolumes(cut, "SETUP.EXE", volumes)[0], false);
    EXPECT_TRUE(Contains(report, "volume " + std::to_string(volumes.size()) + " is missing")) << report;
}

TEST_F(Examine, ReadersAreIndependentAndNameTheVolumeThatFails) {
    VolumeLayout layout;
    layout.volumeSize = 30000;
    std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, InstallStream(package), layout);
    TempDir split;
    std::vector<std::string> paths = WriteVolumes(split, "SETUP.EXE", volumes);
    std::string single = Write(BuildInstallerImage(stub, package));

    // A second installer read to its end while the first is open in the middle of a file.
    std::vector<std::string> reports;
    ExamineCallbacks callbacks;
    callbacks.beginFile = [&](const ExaminedFile&, std::size_t index) {
        if (index == 2) reports.push_back(Verify(paths[0], true));
    };
    ExaminedPackage read = ExaminePackage(single, callbacks);
    EXPECT_TRUE(read.complete);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(Contains(reports[0], std::to_string(volumes.size()) + " volumes"));

    // A short volume: which one, where its size field is, what it records and what it is.
    Bytes shortened = volumes[1];
    shortened.resize(shortened.size() - 3);
    WriteFileBytes(paths[1], shortened);
    EXPECT_TRUE(Contains(Verify(paths[0], false),
                         "volume 1 '" + paths[1] + "' is damaged or incomplete: its size field at offset 0 records " +
                             std::to_string(volumes[1].size()) + " bytes but the file is " +
                             std::to_string(shortened.size()) + " bytes long"));
    WriteFileBytes(paths[1], Bytes{1, 2});
    EXPECT_TRUE(Contains(Verify(paths[0], false), "volume 1 '" + paths[1] +
                                                      "' is damaged or incomplete: it is 2 bytes long and ends "
                                                      "before its size field at offset 0"));
}

TEST_F(Examine, VerifyRefusesNonInstallersAndBadBookkeeping) {
    EXPECT_TRUE(Contains(Verify(Write(Bytes(5000, 'x'), "plain.bin"), false), "no package locator"));
    EXPECT_TRUE(Contains(Verify(Write(FakeStub(100), "stub.exe"), false), "carries no package"));
    EXPECT_TRUE(Contains(Verify(dir.file("absent.exe"), false), "cannot open"));
    EXPECT_TRUE(Contains(Verify(dir.path().string(), false), "not a regular file"));
    ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
    EXPECT_TRUE(Contains(Verify(dir.file("pipe"), false), "not a regular file")) << "and no wait for a writer";

    // A record announcing 3 blocks where 1 follows: sound data, wrong counts.
    ByteVector image = BuildInstallerImage(stub, package);
    std::size_t header = EncodeDataBlock(InstallHeaderPayload(package.header, {0, 6, 65000, 65001, 200000}).data(),
                                         InstallHeaderPayload(package.header, {0, 6, 65000, 65001, 200000}).size()).size();
    std::size_t readmeCount = stub.size() + 4 + 1 + header + (1 + package.files[0].record.name.size() + 19 + 2) +
                              1 + package.files[1].record.name.size();
    ASSERT_EQ(image[readmeCount], 1);
    image[readmeCount] = 3;
    std::string report = Verify(Write(image), false);
    EXPECT_TRUE(Contains(report, "file 2 '{OurProgramDir}\\readme.txt': its record announces 3 blocks but 1 follow"));
}

TEST_F(Examine, AnyDamageEndsInACleanError) {
    InstallPackage small;
    small.header.ProductTitle = "Tiny";
    small.files.resize(2);
    small.files[0].record.name = "{OurProgramDir}\\a.txt";
    small.files[0].data = ByteVector(300, 'a');
    small.files[1].record.name = "{OurProgramDir}\\b.txt";
    small.files[1].data = {'b', 0, 'b'};
    small.shortcuts = {"{Desktop}\\A={OurProgramDir}\\a.txt"};
    small.registry = {":HKEY_CURRENT_USER\\Software\\Tiny"};
    ByteVector image = BuildInstallerImage(stub, small);
    std::string path = dir.file("fuzz.exe");
    for (std::size_t at = stub.size() - 30; at < image.size(); ++at) {
        ByteVector damaged = image;
        damaged[at] ^= at % 2 ? 0x01 : 0x80;
        WriteFileBytes(path, damaged);
        std::string report;
        VerifyPackage(path, report);
        ASSERT_FALSE(report.empty()) << "flip at " << at;
        ByteVector cut(image.begin(), image.begin() + at);
        WriteFileBytes(path, cut);
        ASSERT_FALSE(VerifyPackage(path, report)) << "cut at " << at;
    }
}

TEST_F(Examine, ExtractWritesFilesWithTheirTimes) {
    std::string path = Write(BuildInstallerImage(stub, package));
    fs::path out = dir.path() / "out";
    ExtractSummary summary = ExtractPackage(path, out.string());
    EXPECT_EQ(summary.files, 5u);
    EXPECT_EQ(summary.bytes, 330007u);
    EXPECT_EQ(ReadFileBytes((out / "OurProgramDir/data/mixed.bin").string()), package.files[4].data);
    EXPECT_EQ(fs::file_size(out / "WinSysDir/common.dll"), 65001u);
    EXPECT_EQ(fs::file_size(out / "OurProgramDir/empty.txt"), 0u);
    struct stat st;
    ASSERT_EQ(::stat((out / "OurProgramDir/readme.txt").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1700000000 + 3600);

    EXPECT_EQ(RunCommand({"extract", path, "-d", (dir.path() / "again").string()}), 0);
    EXPECT_EQ(RunCommand({"extract", path}), 2) << "the destination is required";
    EXPECT_EQ(RunCommand({"verify", path}), 0);
    EXPECT_EQ(RunCommand({"list", "--json", path}), 0);
    EXPECT_EQ(RunCommand({"verify", dir.file("missing.exe")}), 1);
}

TEST_F(Examine, ExtractMapsNamesAndRefusesEscapes) {
    EXPECT_EQ(ExtractRelativePath("{OurProgramDir}\\data\\one.bin"), fs::path("OurProgramDir/data/one.bin"));
    EXPECT_EQ(ExtractRelativePath("{ourprogramdir}\\a/./b.txt"), fs::path("OurProgramDir/a/b.txt"));
    EXPECT_EQ(ExtractRelativePath("{WinDrive}:\\Temp\\x"), fs::path("WinDrive/Temp/x"));
    EXPECT_EQ(ExtractRelativePath("{Custom}\\x"), fs::path("Custom/x"));
    EXPECT_EQ(ExtractRelativePath("readme.txt"), fs::path("readme.txt"));
    for (const char* hostile : {"{OurProgramDir}\\..\\..\\evil.txt", "data\\..\\..\\evil.txt", "C:\\evil.txt",
                                "\\evil.txt", "/tmp/evil.txt", "{..}\\evil.txt", "{OurProgramDir}\\c:evil",
                                "{OurProgramDir}", "{OurProgramDir\\x"})
        EXPECT_THROW(ExtractRelativePath(hostile), ExamineError) << hostile;

    // A hostile record stops the extraction before anything lands outside the destination.
    InstallPackage evil;
    evil.files.resize(2);
    evil.files[0].record.name = "{OurProgramDir}\\fine.txt";
    evil.files[0].data = {'o', 'k'};
    evil.files[1].record.name = "{OurProgramDir}\\..\\..\\evil.txt";
    evil.files[1].data = {'x'};
    fs::path box = dir.path() / "box";
    fs::path out = box / "out";
    fs::create_directories(out);
    std::string path = Write(BuildInstallerImage(stub, evil));
    try {
        ExtractPackage(path, out.string());
        ADD_FAILURE() << "the hostile name was accepted";
    } catch (const ExamineError& e) {
        EXPECT_TRUE(Contains(e.what(), "refusing to extract '{OurProgramDir}\\..\\..\\evil.txt'")) << e.what();
    }
    EXPECT_FALSE(fs::exists(box / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "evil.txt"));
    EXPECT_EQ(RunCommand({"extract", path, "-d", out.string()}), 1);

    // A folder inside the destination that is a link to elsewhere is not followed.
    fs::path elsewhere = box / "elsewhere";
    fs::create_directories(elsewhere);
    fs::path linked = box / "linked";
    fs::create_directories(linked);
    fs::create_directory_symlink(elsewhere, linked / "OurProgramDir");
    EXPECT_THROW(ExtractPackage(Write(BuildInstallerImage(stub, package)), linked.string()), ExamineError);
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(Examine, DamagedExtractLeavesNoPartialFile) {
    ByteVector image = BuildInstallerImage(stub, package);
    image[image.size() - TailSize() - 5] ^= 0x40;  // the last block of the last file
    std::string path = Write(image);
    fs::path out = dir.path() / "out";
    ExtractSummary summary = ExtractPackage(path, out.string());
    ASSERT_TRUE(summary.package.stop);
    EXPECT_TRUE(Contains(summary.package.stop->message, "block 4 of 4 is damaged")) << summary.package.stop->message;
    ASSERT_EQ(summary.notWritten.size(), 1u);
    EXPECT_TRUE(Contains(summary.notWritten[0], "file 5 '{OurProgramDir}\\data\\mixed.bin'"));
    EXPECT_TRUE(fs::exists(out / "WinSysDir/common.dll")) << "files before the damage are complete";
    EXPECT_FALSE(fs::exists(out / "OurProgramDir/data/mixed.bin"));
    for (const auto& entry : fs::recursive_directory_iterator(out))
        EXPECT_FALSE(Contains(entry.path().filename().string(), ".partial")) << entry.path();
    EXPECT_EQ(RunCommand({"extract", path, "-d", (dir.path() / "again").string()}), 1);
    EXPECT_EQ(RunCommand({"verify", path}), 1);
}
