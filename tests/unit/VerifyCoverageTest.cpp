// What verify can and cannot know, and reading past damage: no flip is ever called sound
// without saying that no checksum covers it, the Stub is recognised byte for byte, and many
// threads read exactly what one does.
#include <filesystem>

#include "ExamineTestSupport.h"
#include "packwright/cli/Commands.h"
#include "packwright/examine/Extract.h"
#include "packwright/examine/Listing.h"
#include "packwright/examine/PackageExaminer.h"
#include "packwright/examine/Verify.h"
#include "packwright/writer/RawStream.h"

namespace fs = std::filesystem;

namespace {
class VerifyCoverage : public InstallerTest {
protected:
    // The span of a part of the clean installer, by its description.
    Span SpanOf(const std::string& path, const std::string& what) {
        for (const Span& s : ExaminePackage(path).spans)
            if (s.what == what) return s;
        ADD_FAILURE() << "no span " << what;
        return {};
    }
};

// The listing, the problems and every file's bytes as read with the given number of threads.
std::string Reading(const std::string& path, unsigned jobs) {
    std::string data;
    ExamineCallbacks callbacks;
    callbacks.beginFile = [&](const ExaminedFile& f, std::size_t) { data += "\n<" + f.name + ">"; };
    callbacks.fileData = [&](const u8* d, u32 n) { data.append(reinterpret_cast<const char*>(d), n); };
    callbacks.endFile = [&](const ExaminedFile& f, std::size_t) { data += f.intact ? "<end>" : "<lost>"; };
    ExaminedPackage read = ExaminePackage(path, callbacks, {jobs, true});
    return ListingJson(read) + data;
}
}  // namespace

TEST_F(VerifyCoverage, NoFlipAfterTheFilesIsCalledSoundWithoutSayingItIsNotCovered) {
    package.files.resize(2);  // small files keep each of the many reads short
    ByteVector image = BuildInstallerImage(stub, package);
    std::string path = Write(image);
    VerifyReport clean = VerifyInstaller(path, {});
    ASSERT_EQ(clean.ExitCode(), 0) << VerifyText(clean);
    ASSERT_TRUE(clean.coverage.afterFiles);
    EXPECT_EQ(clean.coverage.afterFiles->end.offset, image.size());
    std::size_t from = clean.coverage.afterFiles->start.offset;
    int structural = 0, uncovered = 0;
    for (std::size_t at = from; at < image.size(); ++at) {
        for (u8 flip : {0x01, 0x80}) {
            ByteVector damaged = image;
            damaged[at] ^= flip;
            WriteFileBytes(path, damaged);
            VerifyReport r = VerifyInstaller(path, {});
            if (r.ExitCode() != 0) {
                ++structural;
                continue;
            }
            ++uncovered;
            ASSERT_TRUE(r.coverage.afterFiles) << "flip at " << at;
            ASSERT_LE(r.coverage.afterFiles->start.offset, at);
            ASSERT_GT(r.coverage.afterFiles->end.offset, at);
            ASSERT_NE(VerifyText(r).find("Not covered by a checksum:"), std::string::npos);
        }
    }
    EXPECT_GT(structural, 0);
    EXPECT_GT(uncovered, 0);
}

TEST_F(VerifyCoverage, TheStubIsRecognisedByteForByte) {
    std::string shipped = dir.file("stub.exe");
    WriteFileBytes(shipped, stub);
    ByteVector image = BuildInstallerImage(stub, package);
    VerifyOptions options;
    options.shippedStubPath = shipped;
    options.packwrightVersion = "9.9";
    VerifyReport r = VerifyInstaller(Write(image), options);
    EXPECT_EQ(r.stub.verdict, StubIdentity::Verdict::Shipped);
    EXPECT_NE(VerifyText(r).find("the Stub, 500 bytes: the one shipped with packwright 9.9"), std::string::npos);

    image[100] ^= 0x04;  // code, far from the locator the builder patches
    r = VerifyInstaller(Write(image), options);
    EXPECT_EQ(r.ExitCode(), 0) << "a custom stub is allowed";
    ASSERT_EQ(r.Warnings().size(), 1u);
    EXPECT_NE(r.Warnings()[0].find("is not the one shipped with packwright 9.9"), std::string::npos);
    EXPECT_EQ(r.stub.firstDifference, 100u);
}

TEST_F(VerifyCoverage, StructureTheStubWouldReadOddlyIsReported) {
    RawStream raw;
    raw.U8(0).Block(InstallHeaderPayload(package.header, {})).U8(0);  // no files
    raw.Counted("{Desktop}\\A={OurProgramDir}\\a.txt").Counted("{Desktop}\\B");  // no '=': the section ends
    raw.Counted(std::string("Early=D\x01\x02\x03\x04", 11)).Counted(":HKEY_NOWHERE\\Software\\X");
    raw.Counted(":HKEY_CURRENT_USER\\Software\\X").Counted("Odd=Qtext").Counted("NoEquals").U8(0);
    raw.Counted("").Raw("??");  // the run-after command, and bytes after the end
    std::string path = Write(BuildInstallerVolumes(stub, [&](ByteSink& s) { s.Write(raw.bytes); }).front());
    VerifyReport r = VerifyInstaller(path, {});
    EXPECT_EQ(r.ExitCode(), 1);
    std::string text = VerifyText(r);
    for (const char* expected : {"has no '=': the installer ends the shortcut section there",
                                 "it sets a value before any key line has chosen a key",
                                 "its root is none of HKEY_CLASSES_ROOT", "its type byte 'Q' is none of S, D, B and N",
                                 "it is neither a key line nor a value line", "2 bytes follow the run-after command"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST_F(VerifyCoverage, ManyThreadsReadExactlyWhatOneDoes) {
    ByteVector image = BuildInstallerImage(stub, package);
    std::string path = Write(image);
    Span mixed = SpanOf(path, "file 5 '{OurProgramDir}\\data\\mixed.bin', block 2 of 4");
    Span common = SpanOf(path, "file 4 '{WinSysDir}\\common.dll', block 1 of 2");
    std::vector<ByteVector> variants = {image};
    for (std::size_t at : {mixed.start.offset + 20, common.start.offset, common.start.offset + 3, mixed.start.offset}) {
        variants.push_back(image);
        variants.back()[at] ^= 0x10;
    }
    for (std::size_t cut : {image.size() - 1, mixed.start.offset + 100, common.end.offset})
        variants.emplace_back(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
    for (std::size_t i = 0; i < variants.size(); ++i) {
        std::string variant = Write(variants[i], "V" + std::to_string(i) + ".EXE");
        EXPECT_EQ(Reading(variant, 1), Reading(variant, 4)) << "variant " << i;
    }
}

TEST_F(VerifyCoverage, KeepGoingWritesTheFilesAroundADamagedOne) {
    ByteVector image = BuildInstallerImage(stub, package);
    std::string clean = Write(image);
    Span common = SpanOf(clean, "file 4 '{WinSysDir}\\common.dll', block 1 of 2");
    image[common.start.offset + 40] ^= 0x02;
    std::string path = Write(image, "DAMAGED.EXE");
    ExtractOptions options;
    options.keepGoing = true;
    options.jobs = 2;
    fs::path out = dir.path() / "out";
    ExtractSummary summary = ExtractPackage(path, out.string(), options);
    EXPECT_EQ(summary.files, 4u);
    ASSERT_EQ(summary.notWritten.size(), 1u);
    EXPECT_NE(summary.notWritten[0].find("file 4 '{WinSysDir}\\common.dll'"), std::string::npos);
    EXPECT_FALSE(fs::exists(out / "WinSysDir/common.dll"));
    EXPECT_EQ(ReadFileBytes((out / "OurProgramDir/data/mixed.bin").string()), package.files[4].data) << "after the damage";
    EXPECT_EQ(ReadFileBytes((out / "OurProgramDir/readme.txt").string()), package.files[1].data) << "before it";
    EXPECT_TRUE(summary.package.complete);

    // A damaged length: what follows cannot be found, and the extraction says where it stopped.
    image = ReadFileBytes(clean);
    image[common.start.offset] ^= 0x40;
    path = Write(image, "LENGTH.EXE");
    summary = ExtractPackage(path, (dir.path() / "out2").string(), options);
    EXPECT_EQ(summary.files, 3u);
    ASSERT_TRUE(summary.package.stop);
    EXPECT_NE(summary.package.stop->message.find("file 4 '{WinSysDir}\\common.dll'"), std::string::npos)
        << summary.package.stop->message;
}
