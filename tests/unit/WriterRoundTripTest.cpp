// Whole Packages written by the writer read back through the Stub's reader, in one volume
// and split at every kind of byte position.
#include <cstring>
#include <filesystem>

#include "ExamineTestSupport.h"
#include "package/Locator.h"
#include "package/SizeTable.h"
#include "package/BlockChecksum.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/writer/PackageLimits.h"
#include "packwright/writer/StubPatch.h"
#include "packwright/writer/WriterError.h"

namespace {
// Reads the installer back and collects every file's decoded bytes.
ExaminedPackage ReadBack(const std::string& path, std::vector<ByteVector>* contents = nullptr) {
    ExamineCallbacks callbacks;
    if (contents) {
        callbacks.beginFile = [contents](const ExaminedFile&, std::size_t) { contents->emplace_back(); };
        callbacks.fileData = [contents](const u8* d, u32 n) { contents->back().insert(contents->back().end(), d, d + n); };
    }
    return ExaminePackage(path, callbacks);
}

StreamProducer Replay(const ByteVector& stream) {
    return [&stream](ByteSink& sink) { sink.Write(stream); };
}

ByteVector StreamOf(const InstallPackage& package) {
    MemorySink sink;
    WriteInstallPackage(package, sink);
    return sink.bytes;
}
}  // namespace

TEST(WriterRoundTrip, EverySectionSurvivesOneVolume) {
    TempDir dir;
    InstallPackage package = SamplePackage();
    Bytes stub = FakeStub();
    ByteVector image = BuildInstallerImage(stub, package);
    ASSERT_EQ(LoadU32(image.data() + stub.size()), image.size());  // ExpectedSize of volume 0
    std::string path = dir.file("SETUP.EXE");
    WriteFileBytes(path, image);

    std::vector<ByteVector> contents;
    ExaminedPackage read = ReadBack(path, &contents);
    EXPECT_EQ(read.packageOffset, stub.size());
    EXPECT_EQ(read.runMode, RunMode::Install);
    EXPECT_TRUE(read.problems.empty()) << read.problems.front().message;
    EXPECT_EQ(read.header.ProductTitle, package.header.ProductTitle);
    EXPECT_EQ(read.header.UninstallName, package.header.UninstallName);
    EXPECT_EQ(read.header.ShortcutFolder, package.header.ShortcutFolder);
    EXPECT_EQ(read.header.PasswordChecksum, package.header.PasswordChecksum);
    EXPECT_EQ(read.header.LicenceText, package.header.LicenceText);
    EXPECT_FALSE(read.header.ProgramDirFixed);
    // 1 + 1 + 2 + 4 blocks; the empty file has none.
    EXPECT_EQ(read.header.TotalBlocks, 8u);
    ASSERT_EQ(read.files.size(), package.files.size());
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        const FileRecordFields& want = package.files[i].record;
        EXPECT_EQ(read.files[i].name, want.name);
        EXPECT_EQ(read.files[i].version, want.version);
        EXPECT_EQ(read.files[i].time, want.time);
        EXPECT_EQ(read.files[i].shared, want.shared);
        EXPECT_EQ(contents[i], package.files[i].data) << want.name;
    }
    EXPECT_EQ(read.files[0].blockCount, 0);
    EXPECT_EQ(read.shortcuts, package.shortcuts);
    EXPECT_EQ(read.registry, package.registry);  // raw bytes, zero bytes included
    EXPECT_EQ(read.runAfter, package.runAfter);
}

TEST(WriterRoundTrip, HeaderTablesFollowFileSizes) {
    // 1 byte, 512, 513 and 70000 bytes: clusters of 512 << k, each file rounded up alone.
    std::vector<u64> sizes = {1, 512, 513, 70000};
    SizeTotals totals;
    for (u64 size : sizes) totals.AddFile(size);
    EXPECT_EQ(totals.clusters[0], 1u + 1 + 2 + 137);
    EXPECT_EQ(totals.clusters[1], 1u + 1 + 1 + 69);
    EXPECT_EQ(totals.clusters[6], 1u + 1 + 1 + 3);
    EXPECT_EQ(BlocksForSize(0), 0u);
    EXPECT_EQ(BlocksForSize(65000), 1u);
    EXPECT_EQ(BlocksForSize(65001), 2u);

    InstallHeaderFields header;
    header.ProgramDir = "C:\\Apps\\Sample";
    ByteVector payload = InstallHeaderPayload(header, sizes);
    // Five empty-or-not strings, 36 bytes of numbers and the single 0 of "no licence".
    ASSERT_EQ(payload.size(), 4 + header.ProgramDir.size() + 1 + 36 + 1);
    EXPECT_EQ(payload.back(), 0);
    EXPECT_EQ(LoadU32(payload.data() + payload.size() - 5), 1u + 1 + 1 + 2);  // TotalBlocks
}

TEST(WriterRoundTrip, SplitsAtEveryBytePositionReadBack) {
    TempDir dir;
    InstallPackage package = SamplePackage();
    ByteVector stream = StreamOf(package);
    Bytes stub = FakeStub(600);
    // Small volumes put boundaries inside the mode byte, the header block's fields, record
    // fields, u32 checksums and stored bytes.
    for (u64 volumeSize : {605ull, 606ull, 607ull, 611ull, 1000ull, 4099ull, 65536ull, 300000ull}) {
        SCOPED_TRACE("volume size " + std::to_string(volumeSize));
        VolumeLayout layout;
        layout.volumeSize = volumeSize;
        std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, Replay(stream), layout);
        ByteVector joined;
        for (std::size_t i = 0; i < volumes.size(); ++i) {
            const ByteVector& v = volumes[i];
            std::size_t field = i == 0 ? stub.size() : 0;
            ASSERT_LE(v.size(), volumeSize);
            ASSERT_GT(v.size(), field + 4) << "no volume is left without stream bytes";
            ASSERT_EQ(LoadU32(v.data() + field), v.size()) << "ExpectedSize of volume " << i;
            joined.insert(joined.end(), v.begin() + field + 4, v.end());
        }
        ASSERT_EQ(joined, stream);
        if (volumeSize > 600000) continue;
        TempDir volumesDir;
        std::vector<std::string> paths = WriteVolumes(volumesDir, "SETUP.EXE", volumes);
        std::vector<ByteVector> contents;
        ExaminedPackage read = ReadBack(paths[0], &contents);
        EXPECT_EQ(read.volumes.size(), volumes.size());
        EXPECT_EQ(read.runAfter, package.runAfter);
        ASSERT_EQ(contents.size(), package.files.size());
        EXPECT_EQ(contents.back(), package.files.back().data);
    }
}

TEST(WriterRoundTrip, VolumesOnDiskAppearOnlyWhenComplete) {
    TempDir dir;
    InstallPackage package = SamplePackage();
    std::string out = dir.file("setup.exe");
    VolumeLayout layout;
    layout.volumeSize = 50000;
    WrittenInstaller written = WriteInstallerFiles(FakeStub(), InstallStream(package), out, layout);
    ASSERT_GT(written.paths.size(), 2u);
    EXPECT_EQ(written.paths[1], dir.file("setup.001"));
    for (std::size_t i = 0; i < written.paths.size(); ++i)
        EXPECT_EQ(std::filesystem::file_size(written.paths[i]), written.sizes[i]);
    EXPECT_TRUE(ReadBack(out).problems.empty());

    // A producer that fails half way leaves neither the installer nor temporary files.
    TempDir failDir;
    std::string failed = failDir.file("broken.exe");
    EXPECT_THROW(WriteInstallerFiles(FakeStub(), [&](ByteSink& sink) {
        sink.Write(ByteVector(120000, 1));
        throw WriterError("source vanished");
    }, failed, layout), WriterError);
    EXPECT_TRUE(std::filesystem::is_empty(failDir.path()));
}

TEST(WriterRoundTrip, UncheckedSizesAndThreadedEncodingGiveTheSameStream) {
    InstallPackage package = SamplePackage();
    WriterOptions threaded;
    threaded.threads = 3;
    u64 lastDone = 0, lastTotal = 0;
    threaded.progress = [&](u64 done, u64 total) { lastDone = done, lastTotal = total; };
    MemorySink single, parallel;
    WriteInstallPackage(package, single);
    WriteInstallPackage(package, parallel, threaded);
    EXPECT_EQ(parallel.bytes, single.bytes);
    EXPECT_EQ(lastDone, 8u);
    EXPECT_EQ(lastTotal, 8u);

    VolumeLayout unchecked;
    unchecked.volumeSize = 40000;
    unchecked.recordSizes = false;
    Bytes stub = FakeStub();
    std::vector<ByteVector> volumes = BuildInstallerVolumes(stub, InstallStream(package), unchecked);
    EXPECT_EQ(LoadU32(volumes[0].data() + stub.size()), 0u);
    EXPECT_EQ(LoadU32(volumes[1].data()), 0u);
    TempDir dir;
    EXPECT_TRUE(ReadBack(WriteVolumes(dir, "SETUP", volumes)[0]).problems.empty());
}

TEST(WriterRoundTrip, CompanionProgramsCarryHeaderAndLog) {
    CompanionPackage uninst;
    uninst.runMode = 1;
    uninst.ProductTitle = "Sample Viewer 2.0";
    uninst.FooterText = "Sample Co";
    uninst.UninstallName = "Sample Viewer";
    uninst.logRecords = {"C:\\Apps\\Sample\\FINALIZE.EXE", "C:\\WINDOWS\\SYSTEM\\common.dll\t",
                         "C:\\Apps\\Sample\\UNINST.EXE", "", ":HKEY_LOCAL_MACHINE\\Software\\Sample Co\\Viewer",
                         "Home", "", "", };
    Bytes stub = FakeStub();
    ByteVector image = BuildCompanionImage(stub, uninst);
    EXPECT_EQ(LoadU32(image.data() + stub.size()), 0u);  // as the installer writes them
    TempDir dir;
    std::string path = dir.file("UNINST.EXE");
    WriteFileBytes(path, image);
    ExaminedPackage read = ReadBack(path);
    EXPECT_EQ(read.runMode, RunMode::Uninstall);
    EXPECT_EQ(read.header.FooterText, "Sample Co");
    ASSERT_EQ(read.logFiles.size(), 3u);
    EXPECT_EQ(read.logFiles[1], "C:\\WINDOWS\\SYSTEM\\common.dll\t");
    ASSERT_EQ(read.logRegistry.size(), 1u);
    EXPECT_EQ(read.logRegistry[0].entries, std::vector<std::string>{"Home"});

    CompanionPackage finalize = uninst;
    finalize.runMode = 2;
    finalize.logRecords.clear();
    WriteFileBytes(path, BuildCompanionImage(stub, finalize));
    EXPECT_EQ(ReadBack(path).runMode, RunMode::Finalize);
}

TEST(WriterLimits, RefusesWhatTheFormatCannotCarry) {
    Bytes stub = FakeStub();
    auto build = [&](const InstallPackage& p) { return BuildInstallerImage(stub, p); };
    auto expectError = [&](const InstallPackage& p, const std::string& fragment) {
        try {
            build(p);
            ADD_FAILURE() << "no error for " << fragment;
        } catch (const WriterError& e) {
            EXPECT_NE(std::string(e.what()).find(fragment), std::string::npos) << e.what();
        }
    };
    InstallPackage p;
    p.files.emplace_back();
    p.files[0].record.name = std::string(255, 'n');
    p.files[0].data = {1};
    EXPECT_NO_THROW(build(p));
    p.files[0].record.name = std::string(256, 'n');
    expectError(p, "at most 255");
    p.files[0].record.name = "";
    expectError(p, "empty name");

    InstallPackage shortcut;
    shortcut.shortcuts = {"{Desktop}\\no target"};
    expectError(shortcut, "no '='");
    InstallPackage registry;
    registry.registry = {""};
    expectError(registry, "empty registry line");
    for (const std::string& line : {std::string("Runs=D\x05\x00", 8), std::string("Key=B\x05\x00" "abc", 10),
                                    std::string("Key=B\x01"), std::string("Empty=")}) {
        InstallPackage value;
        value.registry = {line};
        expectError(value, "value");
    }
    InstallPackage title;
    title.header.ProductTitle = std::string(300, 't');
    expectError(title, "product title");
    InstallPackage licence;
    licence.header.LicenceText = std::string(70000, 'l');
    expectError(licence, "licence");

    // A file of more than 65535 blocks is refused before any of its data is needed.
    MemorySink sink;
    InstallStreamWriter writer(sink);
    u64 huge = 65536ull * BuiltBlockSize;
    writer.WriteHeader({}, {huge});
    EXPECT_THROW(writer.BeginFile({"{OurProgramDir}\\huge.bin", {}, 0, false}, huge), WriterError);

    // A file that changes size while it is packed is an error, not a silently cut file.
    MemorySink sink2;
    InstallStreamWriter writer2(sink2);
    writer2.WriteHeader({}, {10});
    writer2.BeginFile({"{OurProgramDir}\\a", {}, 0, false}, 10);
    u8 bytes[11] = {};
    EXPECT_THROW(writer2.AddFileData(bytes, 11), WriterError);
    writer2.AddFileData(bytes, 9);
    EXPECT_THROW(writer2.EndFile(), WriterError);
}

TEST(WriterLimits, LocatorAndVolumeSize) {
    Bytes noMarker(100, 0);
    EXPECT_THROW(PatchLocator(noMarker, 100), WriterError);
    Bytes twice = FakeStub(200);
    std::memcpy(twice.data() + 10, LocatorMarkerText, LocatorMarkerLength);
    EXPECT_THROW(PatchLocator(twice, 200), WriterError);
    Bytes patched = PatchLocator(FakeStub(200), 0x10000);
    EXPECT_EQ(LoadU32(patched.data() + 100 + LocatorMarkerLength), 0x10000u);

    VolumeLayout tooSmall;
    tooSmall.volumeSize = 204;  // stub and ExpectedSize, no room for a stream byte
    EXPECT_THROW(BuildInstallerVolumes(FakeStub(200), InstallStream(InstallPackage{}), tooSmall), WriterError);

    EXPECT_EQ(VolumeFileName("/out/SETUP.EXE", 1), "/out/SETUP.001");
    EXPECT_EQ(VolumeFileName("/out/setup", 12), "/out/setup.012");
    EXPECT_EQ(VolumeFileName("/out/setup.exe", 1234), "/out/setup.1234");

    EXPECT_EQ(PasswordChecksumFor("secret"), PasswordChecksumFor("SECRET"));
    EXPECT_EQ(PasswordChecksumFor("abc"), BlockChecksum(reinterpret_cast<const u8*>("ABC"), 3, ChecksumStart));
}
