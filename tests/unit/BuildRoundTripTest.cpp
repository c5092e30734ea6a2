// Installers built from manifests read back, through the installer's own package reader,
// exactly as the manifest and its files described them: header, files, shortcut and registry
// lines, run-after command, across any volume split.
#include <fcntl.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <random>

#include "TestSupport.h"
#include "package/BlockChecksum.h"
#include "package/DataBlock.h"
#include "package/Locator.h"
#include "package/PackageHeader.h"
#include "package/StubPackage.h"
#include "packwright/builder/BuildInstaller.h"
#include "packwright/builder/PeVersion.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace fs = std::filesystem;

namespace {

// The smallest stub that serves: the locator and nothing else, so volumes can be tiny.
Bytes TinyStub() {
    std::string marker = "WHERETOSTARTSTRING:";
    Bytes stub(marker.begin(), marker.end());
    stub.resize(stub.size() + 4, 0);
    return stub;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Random(std::size_t n, u32 seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<u8>(rng());
    return out;
}

Bytes Pattern(std::size_t n, u32 seed) {
    Bytes out(n);
    u32 x = seed;
    for (auto& b : out) {
        x = x * 1103515245 + 12345;
        b = static_cast<u8>((x >> 16) % 7 == 0 ? x >> 8 : 'a' + (x >> 20) % 4);
    }
    return out;
}

void SetTime(const std::string& path, long long seconds) {
    struct timespec times[2] = {{seconds, 0}, {seconds, 500000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

struct ReadFile {
    std::string name;
    u16 blockCount;
    u16 version[4];
    u64 time;
    u8 shared;
    Bytes data;
    std::vector<u32> blockSizes;
};

struct ReadInstaller {
    std::string ProductTitle, FooterText, UninstallName, ProgramDir, ShortcutFolder;
    std::optional<std::string> licence;
    u32 PasswordChecksum, TotalBlocks;
    std::vector<u32> sizeTable;
    std::vector<ReadFile> files;
    std::vector<std::string> shortcuts, registry;
    std::string runAfter;
};

std::string Counted() {
    u8 n = 0;
    EXPECT_EQ(ReadPackageBytes(&n, 1), 1);
    std::string s(n, '\0');
    if (n) {
        EXPECT_EQ(ReadPackageBytes(s.data(), n), n);
    }
    return s;
}

// Reads the installer at path as the Stub would, volume files included.
ReadInstaller ReadBack(const std::string& path) {
    Bytes image = ReadFileBytes(path);
    std::string marker = "WHERETOSTARTSTRING:";
    auto at = std::search(image.begin(), image.end(), marker.begin(), marker.end());
    EXPECT_NE(at, image.end());
    u32 offset = LoadU32(&*(at + marker.size()));
    fake::SetModulePath(path);
    PatchEmbeddedPackageOffset(offset);
    ResetStubReader();
    ResetSetupState();
    ReadInstaller r;
    EXPECT_TRUE(OpenNextVolume());
    EXPECT_TRUE(ReadPackageHeader());
    EXPECT_EQ(g_setup.Mode, RunMode::Install);
    r.ProductTitle = g_setup.ProductTitle;
    r.FooterText = g_setup.FooterText;
    r.UninstallName = g_setup.UninstallName;
    r.ProgramDir = g_setup.ProgramDir;
    r.ShortcutFolder = g_setup.ShortcutFolder;
    if (g_setup.LicenceText) r.licence = g_setup.LicenceText;
    r.PasswordChecksum = g_setup.PasswordChecksum;
    r.TotalBlocks = g_setup.TotalBlocks;
    r.sizeTable.assign(g_setup.SizeTable, g_setup.SizeTable + 7);
    for (;;) {
        ReadFile f;
        f.name = Counted();
        if (f.name.empty()) break;
        u8 fixed[19];
        EXPECT_EQ(ReadPackageBytes(fixed, 19), 19);
        f.blockCount = LoadU16(fixed);
        for (int i = 0; i < 4; ++i) f.version[i] = LoadU16(fixed + 2 + 2 * i);
        f.time = LoadU32(fixed + 10) | (u64{LoadU32(fixed + 14)} << 32);
        f.shared = fixed[18];
        Bytes block(DecodeCapacity);
        for (;;) {
            u32 length = 0;
            EXPECT_TRUE(ReadDataBlock(block.data(), &length, DecodeCapacity));
            if (length == 0 || ::testing::Test::HasFailure()) break;
            f.blockSizes.push_back(length);
            f.data.insert(f.data.end(), block.begin(), block.begin() + length);
        }
        r.files.push_back(f);
        if (::testing::Test::HasFailure()) return r;
    }
    for (std::string line; !(line = Counted()).empty();) r.shortcuts.push_back(line);
    for (std::string line; !(line = Counted()).empty();) r.registry.push_back(line);
    r.runAfter = Counted();
    // Nothing may follow the run-after command.
    u8 extra;
    try {
        ReadPackageBytes(&extra, 1);
        ADD_FAILURE() << "bytes after the run-after command";
    } catch (const FakeProcessExit&) {
        // The stream ended and no further volume exists: what a complete package gives.
    }
    CloseVolume();
    return r;
}

class BuildRoundTrip : public HostProcessTest {
protected:
    void SetUp() override {
        HostProcessTest::SetUp();
        WriteFileBytes(dir.file("stub.exe"), TinyStub());
        fs::create_directories(dir.path() / "files" / "docs" / "deep");
    }

    void Write(const std::string& relative, const Bytes& bytes, long long time = 1700000000) {
        WriteFileBytes(dir.file(relative), bytes);
        SetTime(dir.file(relative), time);
    }

    void Manifest(const std::string& text) { WriteFileBytes(dir.file("setup.toml"), Text(text)); }

    BuildResult Build(const std::string& output = "out/setup.exe", unsigned jobs = 2,
                      std::optional<u64> volumeSize = std::nullopt) {
        BuildOptions o;
        o.manifestPath = dir.file("setup.toml");
        o.outputPath = dir.file(output);
        o.stubPath = dir.file("stub.exe");
        o.jobs = jobs;
        o.volumeSize = volumeSize;
        o.messages = nullptr;
        return BuildInstaller(o);
    }

    TempDir dir;
};

const char* EveryFeature = R"(
title = "Sample Viewer 2.0 – Café"
footer = ["Sample Co ©", "Since 2026"]
uninstall_name = "Sample Viewer"
program_dir = "Sample Viewer"
start_menu_folder = "Sample Tools"
password = "Open Sésame"
licence = "licence.txt"
run_after = '{OurProgramDir}\readme.txt'
version = "2.0.1"
publisher = "Sample Co"
homepage = "https://example.com/viewer"
display_icon = '{OurProgramDir}\viewer.exe'

[[file]]
source = "files/readme.txt"
target = '{OurProgramDir}'          # a macro alone is a folder

[[file]]
source = "files/docs/**"        # folders below docs/ are kept
target = '{OurProgramDir}\docs'

[[file]]
source = "files/viewer.exe"
target = '{WinSysDir}\viewer.exe'
shared = true

[[file]]
source = "files/empty.dat"
target = '{OurProgramDir}\empty.dat'

[[shortcut]]
link = '{OurShortcutDir}\Sample Viewer'
target = '{OurProgramDir}\viewer.exe'
arguments = "--welcome"
working_dir = '{OurProgramDir}'

[[shortcut]]
link = '{Desktop}/Readme.txt'
target = '{OurProgramDir}\readme.txt'

[[registry]]
key = 'HKLM\Software\Sample Co\Viewer'
values = [
  { name = "Home", string = '{OurProgramDir}' },
  { string = "Sample Viewer" },
  { name = "Runs", dword = 5 },
  { name = "Key", binary = "00 01 ff" },
  { name = "Flag", name_only = true },
]

[[registry]]
key = 'hkey_current_user\Software\Sample Co'
)";

}  // namespace

// Hand-made PE image with a version resource (defined with the PE version tests).
Bytes MakePeWithVersion(u16 major, u16 minor, u16 build, u16 revision);

TEST_F(BuildRoundTrip, EveryFeatureReadsBackExactly) {
    Bytes readme = Text("Read me.\r\n");
    Bytes big = Pattern(65000 * 2 + 123, 1);  // three blocks, the last one short
    Bytes exact = Pattern(65000, 2);          // exactly one full block
    Bytes viewer = MakePeWithVersion(2, 10, 300, 4000);
    Write("files/readme.txt", readme, 1700000000);
    Write("files/docs/b.bin", big, 1600000000);
    Write("files/docs/deep/a.bin", exact);
    Write("files/docs/.hidden", Text("not packed"));
    Write("files/viewer.exe", viewer, 1234567890);
    Write("files/empty.dat", {});
    WriteFileBytes(dir.file("licence.txt"), Text("\xEF\xBB\xBFTerms \xE2\x82\xAC\nMore terms\r\nEnd"));
    Manifest(EveryFeature);

    BuildResult result = Build();
    ASSERT_EQ(result.volumes.size(), 1u);
    EXPECT_EQ(result.fileCount, 5u);
    ReadInstaller r = ReadBack(dir.file("out/setup.exe"));
    ASSERT_FALSE(HasFailure());

    // Texts in the code page the installer shows them in (Windows-1252).
    EXPECT_EQ(r.ProductTitle, "Sample Viewer 2.0 \x96 Caf\xE9");
    EXPECT_EQ(r.FooterText, "Sample Co \xA9\nSince 2026");
    EXPECT_EQ(r.UninstallName, "Sample Viewer");
    EXPECT_EQ(r.ProgramDir, "Sample Viewer");
    EXPECT_EQ(r.ShortcutFolder, "Sample Tools");
    EXPECT_EQ(r.licence, "Terms \x80\r\nMore terms\r\nEnd");  // line breaks the edit control shows
    // The password page folds a-z only and compares the checksum of the bytes typed.
    std::string typed = "OPEN S\xE9SAME";
    EXPECT_EQ(r.PasswordChecksum, BlockChecksum(typed.data(), static_cast<u32>(typed.size()), ChecksumStart));

    ASSERT_EQ(r.files.size(), 5u);
    // Glob matches in name order, folders kept below the pattern's fixed part.
    EXPECT_EQ(r.files[0].name, "{OurProgramDir}\\readme.txt");
    EXPECT_EQ(r.files[1].name, "{OurProgramDir}\\docs\\b.bin");
    EXPECT_EQ(r.files[2].name, "{OurProgramDir}\\docs\\deep\\a.bin");
    EXPECT_EQ(r.files[3].name, "{WinSysDir}\\viewer.exe");
    EXPECT_EQ(r.files[4].name, "{OurProgramDir}\\empty.dat");
    const Bytes* contents[] = {&readme, &big, &exact, &viewer};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(r.files[i].data, *contents[i]) << r.files[i].name;
    EXPECT_TRUE(r.files[4].data.empty());
    EXPECT_EQ(r.files[1].blockSizes, (std::vector<u32>{65000, 65000, 123}));
    EXPECT_EQ(r.files[2].blockSizes, (std::vector<u32>{65000}));
    u16 blockCounts[] = {1, 3, 1, 1, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r.files[i].blockCount, blockCounts[i]) << r.files[i].name;
    EXPECT_EQ(r.TotalBlocks, 6u);

    // FILETIME of the modification time, 100-ns units since 1601.
    EXPECT_EQ(r.files[0].time, (1700000000ull + 11644473600ull) * 10000000ull + 5000000);
    EXPECT_EQ(r.files[1].time, (1600000000ull + 11644473600ull) * 10000000ull + 5000000);
    u16 expectedVersion[4] = {2, 10, 300, 4000};
    EXPECT_TRUE(std::equal(r.files[3].version, r.files[3].version + 4, expectedVersion));
    EXPECT_EQ(r.files[0].version[0] | r.files[0].version[1] | r.files[0].version[2] | r.files[0].version[3], 0);
    EXPECT_EQ(r.files[3].shared, 1);
    EXPECT_EQ(r.files[0].shared, 0);

    // Each size is rounded up to whole clusters on its own.
    u64 sizes[] = {readme.size(), big.size(), exact.size(), viewer.size(), 0};
    for (int k = 0; k < 7; ++k) {
        u64 cluster = 512ull << k, clusters = 0;
        for (u64 s : sizes) clusters += (s + cluster - 1) / cluster;
        EXPECT_EQ(r.sizeTable[k], clusters) << "cluster " << cluster;
    }

    EXPECT_EQ(r.shortcuts, (std::vector<std::string>{
                               "{OurShortcutDir}\\Sample Viewer={OurProgramDir}\\viewer.exe\t--welcome\t{OurProgramDir}",
                               "{Desktop}\\Readme.txt={OurProgramDir}\\readme.txt\t\t"}));
    EXPECT_EQ(r.registry, (std::vector<std::string>{":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer",
                                                    "Home=S{OurProgramDir}", "@=SSample Viewer",
                                                    std::string("Runs=D\x05\0\0\0", 10),
                                                    std::string("Key=B\x03\0\0\x01\xff", 10), "Flag=N",
                                                    ":HKEY_CURRENT_USER\\Software\\Sample Co",
                                                    // The Apps entry, after the manifest's own lines; the
                                                    // files take between 191 and 192 KiB.
                                                    ":HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                                                    "Uninstall\\Sample Viewer",
                                                    "DisplayVersion=S2.0.1", "Publisher=SSample Co",
                                                    "URLInfoAbout=Shttps://example.com/viewer",
                                                    "DisplayIcon=S{OurProgramDir}\\viewer.exe",
                                                    "InstallLocation=S{OurProgramDir}",
                                                    std::string("EstimatedSize=D\xC0\0\0\0", 19),
                                                    "QuietUninstallString=S\"{OurProgramDir}\\UNINST.EXE\" /S",
                                                    std::string("NoModify=D\x01\0\0\0", 14),
                                                    std::string("NoRepair=D\x01\0\0\0", 14)}));
    EXPECT_EQ(r.runAfter, "{OurProgramDir}\\readme.txt");
}

TEST_F(BuildRoundTrip, SameInputsGiveTheSameBytesWhateverTheJobCount) {
    Write("files/a.txt", Pattern(200000, 3));
    Write("files/b.txt", Text("bee"));
    Manifest("title = \"T\"\nprogram_dir = \"T\"\n[[file]]\nsource = \"files/*.txt\"\ntarget = '{OurProgramDir}'\n");
    Build("one/setup.exe", 1);
    Build("two/setup.exe", 2);
    Build("three/setup.exe", 5);
    Bytes first = ReadFileBytes(dir.file("one/setup.exe"));
    EXPECT_EQ(first, ReadFileBytes(dir.file("two/setup.exe")));
    EXPECT_EQ(first, ReadFileBytes(dir.file("three/setup.exe")));
    // The stub is kept byte for byte up to its locator, whose offset points just past it.
    Bytes stub = TinyStub();
    EXPECT_TRUE(std::equal(stub.begin(), stub.end() - 4, first.begin()));
    EXPECT_EQ(LoadU32(first.data() + stub.size() - 4), stub.size());
    EXPECT_EQ(LoadU32(first.data() + stub.size()), first.size());  // ExpectedSize of volume 0
}

TEST_F(BuildRoundTrip, VolumesOfAnySizeReadBackWhole) {
    Bytes a = Random(9000, 4);
    Bytes tail = Pattern(60000, 4);
    a.insert(a.end(), tail.begin(), tail.end());  // two blocks
    Write("files/a.bin", a);
    Write("files/b.txt", Text("small"));
    Manifest(
        "title = \"Volumes\"\nprogram_dir = 'C:\\Apps\\V'\n"
        "[[file]]\nsource = \"files/a.bin\"\ntarget = '{OurProgramDir}\\a.bin'\n"
        "[[file]]\nsource = \"files/b.txt\"\ntarget = '{OurProgramDir}\\b.txt'\n"
        "[[shortcut]]\nlink = '{Desktop}\\A'\ntarget = '{OurProgramDir}\\a.bin'\n"
        "[[registry]]\nkey = 'HKCU\\Software\\V'\nvalues = [{ name = \"n\", dword = 7 }]\n");
    Build("whole/setup.exe");
    ReadInstaller whole = ReadBack(dir.file("whole/setup.exe"));
    ASSERT_FALSE(HasFailure());
    u64 stub = TinyStub().size();
    // Each size moves every split to another byte: inside u16 lengths, u32 checksums and
    // sizes, CountedStrings and the stored bytes of blocks. Later volumes hold size - 4 bytes.
    u64 wholeSize = ReadFileBytes(dir.file("whole/setup.exe")).size();
    for (u64 size : {stub + 5, stub + 7, stub + 8, stub + 64, wholeSize / 3, wholeSize - 1}) {
        SCOPED_TRACE("volume size " + std::to_string(size));
        std::string output = "split" + std::to_string(size) + "/setup.exe";
        BuildResult result = Build(output, 2, size);
        ASSERT_GT(result.volumes.size(), 1u);
        for (std::size_t i = 0; i < result.volumes.size(); ++i) {
            Bytes volume = ReadFileBytes(result.volumes[i]);
            EXPECT_LE(volume.size(), size);
            if (i + 1 < result.volumes.size()) {
                EXPECT_EQ(volume.size(), size);
            }
            EXPECT_EQ(LoadU32(volume.data() + (i == 0 ? stub : 0)), volume.size());
        }
        EXPECT_EQ(result.volumes[1], dir.file("split" + std::to_string(size) + "/setup.001"));
        ReadInstaller split = ReadBack(dir.file(output));
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(StubReader().VolumeIndex(), result.volumes.size());
        ASSERT_EQ(split.files.size(), whole.files.size());
        for (std::size_t i = 0; i < whole.files.size(); ++i) EXPECT_EQ(split.files[i].data, whole.files[i].data);
        EXPECT_EQ(split.registry, whole.registry);
        EXPECT_EQ(split.shortcuts, whole.shortcuts);
        EXPECT_EQ(split.ProgramDir, "C:\\Apps\\V");
    }
}

TEST_F(BuildRoundTrip, RebuildReplacesOutputsAndRemovesStaleVolumes) {
    Write("files/a.bin", Random(5000, 5));
    Manifest("title = \"T\"\nprogram_dir = \"T\"\n[[file]]\nsource = \"files/a.bin\"\ntarget = '{OurProgramDir}\\a'\n");
    BuildResult small = Build("out/setup.exe", 2, 1500);
    ASSERT_GE(small.volumes.size(), 3u);
    Build("out/setup.exe");
    EXPECT_TRUE(fs::exists(dir.file("out/setup.exe")));
    EXPECT_FALSE(fs::exists(dir.file("out/setup.001")));
    EXPECT_FALSE(fs::exists(dir.file("out/setup.002")));
    // Only the outputs are left: no temporary files beside them.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()), 1);
    ReadBack(dir.file("out/setup.exe"));
}

TEST_F(BuildRoundTrip, FailedBuildLeavesEarlierOutputsAlone) {
    Write("files/a.bin", Text("a"));
    fs::create_directories(dir.path() / "out");
    WriteFileBytes(dir.file("out/setup.exe"), Text("old installer"));
    WriteFileBytes(dir.file("out/setup.001"), Text("old volume"));
    // A manifest error, a stub without a locator, and a volume size too small for the stub.
    Manifest("title = \"T\"\nprogram_dir = \"T\"\n[[file]]\nsource = \"files/missing\"\ntarget = '{OurProgramDir}\\a'\n");
    EXPECT_THROW(Build(), ManifestError);
    Manifest("title = \"T\"\nprogram_dir = \"T\"\n[[file]]\nsource = \"files/a.bin\"\ntarget = '{OurProgramDir}\\a'\n");
    EXPECT_THROW(Build("out/setup.exe", 2, TinyStub().size() + 4), BuildError);
    WriteFileBytes(dir.file("stub.exe"), Text("MZ no locator here"));
    EXPECT_THROW(Build(), BuildError);
    // A glob over the output folder would pack the old installer into the new one.
    WriteFileBytes(dir.file("stub.exe"), TinyStub());
    Manifest("title = \"T\"\nprogram_dir = \"T\"\n[[file]]\nsource = \"out/*\"\ntarget = '{OurProgramDir}'\n");
    EXPECT_THROW(Build(), ManifestError);
    EXPECT_EQ(ReadFileBytes(dir.file("out/setup.exe")), Text("old installer"));
    EXPECT_EQ(ReadFileBytes(dir.file("out/setup.001")), Text("old volume"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "out"), fs::directory_iterator()), 2);
}

TEST_F(BuildRoundTrip, ComparingWithTheManifestFindsAnyChangedByte) {
    Write("files/readme.txt", Text("Read me, caf\xC3\xA9.\r\n"));
    Write("files/data.bin", Pattern(3000, 3));
    Manifest("title = \"Price 5 \xE2\x82\xAC \xE2\x80\x93 \xE2\x80\x9Cquoted\xE2\x80\x9D\"\nprogram_dir = \"T\"\n"
             "run_after = '{OurProgramDir}\\readme.txt'\n"
             "[[file]]\nsource = \"files/*\"\ntarget = '{OurProgramDir}'\n"
             "[[shortcut]]\nlink = '{Desktop}\\T'\ntarget = '{OurProgramDir}\\readme.txt'\n"
             "[[registry]]\nkey = 'HKCU\\Software\\T'\nvalues = [{ name = \"Build\", dword = 42 }]\n");
    BuildResult built = Build("out/setup.exe", 2, 900);
    ASSERT_GE(built.volumes.size(), 2u);
    BuildOptions o;
    o.manifestPath = dir.file("setup.toml");
    o.outputPath = dir.file("out/setup.exe");
    o.stubPath = dir.file("stub.exe");
    o.volumeSize = 900;
    o.messages = nullptr;
    EXPECT_TRUE(CompareWithBuild(o).identical);
    for (u32 v = 0; v < built.volumes.size(); ++v) {
        Bytes original = ReadFileBytes(built.volumes[v]);
        for (std::size_t at = 0; at < original.size(); ++at) {
            Bytes changed = original;
            changed[at] ^= 0x20;
            WriteFileBytes(built.volumes[v], changed);
            VolumeComparison c = CompareWithBuild(o);
            ASSERT_TRUE(c.difference) << "volume " << v << " offset " << at;
            ASSERT_EQ(c.difference->volume, v);
            ASSERT_EQ(c.difference->offset, at);
        }
        WriteFileBytes(built.volumes[v], original);
    }
    fs::remove(built.volumes.back());
    EXPECT_EQ(CompareWithBuild(o).difference->what, "is missing");
}
