// The package reader across volume files: joins, names, size checks and the three prompts.
#include <filesystem>

#include "ExamineTestSupport.h"
#include "package/StubPackage.h"
#include "package/VolumeNames.h"
#include "platform/Dialogs.h"
#include "platform/fake/FakePlatform.h"
#include "state/SetupState.h"

namespace {
// Volume 0: a stub of `stubSize` bytes, ExpectedSize, stream bytes. Volume k: ExpectedSize
// and its bytes. A size of kAutoSize records the real file size.
constexpr u32 kAutoSize = 0xFFFFFFFF;

Bytes Volume0(u32 stubSize, const Bytes& stream, u32 expected = kAutoSize) {
    Bytes v(stubSize, 0xEE);
    AppendU32(v, expected == kAutoSize ? static_cast<u32>(stubSize + 4 + stream.size()) : expected);
    v.insert(v.end(), stream.begin(), stream.end());
    return v;
}

Bytes VolumeK(const Bytes& stream, u32 expected = kAutoSize) {
    Bytes v;
    AppendU32(v, expected == kAutoSize ? static_cast<u32>(4 + stream.size()) : expected);
    v.insert(v.end(), stream.begin(), stream.end());
    return v;
}

class VolumeReader : public HostProcessTest {
protected:
    TempDir dir;
    std::string exe = dir.file("SETUP.EXE");
    void Start(const Bytes& volume0, u32 stubSize = 100) {
        WriteFileBytes(exe, volume0);
        RunAs(exe, stubSize);
        ASSERT_TRUE(OpenNextVolume());
    }
    u32 ReadU32() {
        u8 b[4];
        EXPECT_EQ(ReadPackageBytes(b, 4), 4);
        return LoadU32(b);
    }
};
}  // namespace

TEST_F(VolumeReader, JoinsFieldsSplitAcrossVolumes) {
    // 1 byte of a u32 at the end of volume 0, 3 after volume 1's ExpectedSize; the next u32
    // ends exactly at the end of volume 1 and the third comes from volume 2.
    WriteFileBytes(dir.file("SETUP.001"), VolumeK({0x22, 0x33, 0x44, 1, 2, 3, 4}));
    WriteFileBytes(dir.file("SETUP.002"), VolumeK({9, 0, 0, 0}, 0));
    Start(Volume0(100, {0x11}));
    EXPECT_EQ(ReadU32(), 0x44332211u);
    EXPECT_EQ(StubReader().VolumeIndex(), 2u);
    EXPECT_EQ(ReadU32(), 0x04030201u);
    EXPECT_EQ(StubReader().VolumeIndex(), 2u) << "a read ending at a volume's end does not switch yet";
    EXPECT_EQ(ReadU32(), 9u);
    EXPECT_EQ(StubReader().VolumeIndex(), 3u);
    EXPECT_TRUE(fake::ShownBoxes().empty());
}

TEST_F(VolumeReader, NamesVolumesFromTheLastPoint) {
    char out[PathCapacity];
    ASSERT_TRUE(VolumePath("C:\\SETUP\\INSTALL.EXE", 1, out, sizeof out));
    EXPECT_STREQ(out, "C:\\SETUP\\INSTALL.001");
    ASSERT_TRUE(VolumePath("C:\\SETUP\\INSTALL.EXE", 2, out, sizeof out));
    EXPECT_STREQ(out, "C:\\SETUP\\INSTALL.002");
    ASSERT_TRUE(VolumePath("C:\\SETUP\\INSTALL", 1, out, sizeof out));
    EXPECT_STREQ(out, "C:\\SETUP\\INSTALL.001");
    ASSERT_TRUE(VolumePath("C:\\SETUP\\INSTALL.EXE", 1000, out, sizeof out));
    EXPECT_STREQ(out, "C:\\SETUP\\INSTALL.1000");
    EXPECT_FALSE(VolumePath(std::string(254, 'x').c_str(), 1, out, sizeof out)) << "a name that does not fit";
    // The writer names volumes the same way.
    EXPECT_EQ(VolumeFileName("C:\\SETUP\\INSTALL", 7), "C:\\SETUP\\INSTALL.007");

    // On disk: an executable without a point finds "name.001".
    std::string plain = dir.file("setup");
    WriteFileBytes(plain, Volume0(100, {}));
    WriteFileBytes(dir.file("setup.001"), VolumeK({5}));
    RunAs(plain, 100);
    ASSERT_TRUE(OpenNextVolume());
    u8 b = 0;
    EXPECT_EQ(ReadPackageBytes(&b, 1), 1);
    EXPECT_EQ(b, 5);
}

TEST_F(VolumeReader, ExpectedSizeZeroSkipsTheCheckForThatVolumeOnly) {
    WriteFileBytes(dir.file("SETUP.001"), VolumeK({1, 2}, 0));
    WriteFileBytes(dir.file("SETUP.002"), VolumeK({3}, 999));
    Start(Volume0(100, {}, 0));
    u8 b[2];
    EXPECT_EQ(ReadPackageBytes(b, 2), 2);
    EXPECT_THROW(ReadPackageBytes(b, 1), FakeProcessExit) << "volume 2's wrong size, answered Cancel";
    ASSERT_EQ(fake::ShownBoxes().size(), 1u);
    EXPECT_EQ(fake::ShownBoxes()[0].caption, "File Damaged");
    EXPECT_NE(fake::ShownBoxes()[0].text.find("'SETUP.002'"), std::string::npos);
}

TEST_F(VolumeReader, DamagePromptRetryReopensTheSameVolume) {
    std::string v1 = dir.file("SETUP.001");
    WriteFileBytes(v1, VolumeK({7}, 1234));
    Start(Volume0(100, {}));
    // The user fixes the file and retries: the same volume number is opened again.
    fake::SetMessageBoxHandler([&](const ShownMessageBox& box) {
        EXPECT_EQ(box.style, unsigned(MbRetryCancel | MbIconError));
        WriteFileBytes(v1, VolumeK({7}));
        return int(IdRetry);
    });
    u8 b = 0;
    EXPECT_EQ(ReadPackageBytes(&b, 1), 1);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(StubReader().VolumeIndex(), 2u);
    EXPECT_EQ(fake::ShownBoxes().size(), 1u);
}

TEST_F(VolumeReader, NextDiskPromptWaitsForTheMissingVolume) {
    Start(Volume0(100, {1}));
    fake::SetMessageBoxHandler([&](const ShownMessageBox& box) {
        EXPECT_EQ(box.text, "Please insert the disk containing 'SETUP.001' into the drive and select OK.");
        EXPECT_EQ(box.caption, "Next disk, please...");
        WriteFileBytes(dir.file("SETUP.001"), VolumeK({2}));
        return int(IdOk);
    });
    u8 b[2];
    EXPECT_EQ(ReadPackageBytes(b, 2), 2);
    EXPECT_EQ(b[1], 2);

    // Cancel in the middle of a read ends the process with exit code 1.
    fake::SetMessageBoxHandler(nullptr);
    try {
        ReadPackageBytes(b, 1);
        ADD_FAILURE() << "the read went on without volume 2";
    } catch (const FakeProcessExit& e) {
        EXPECT_EQ(e.code, 1);
    }
}

TEST_F(VolumeReader, ReadErrorPromptRetriesOrCancels) {
    Start(Volume0(100, {1, 2, 3}));
    fake::FailNextReads(1);
    fake::QueueAnswers({IdRetry});
    u8 b = 0;
    EXPECT_EQ(ReadPackageBytes(&b, 1), 1);
    EXPECT_EQ(b, 1);
    EXPECT_FALSE(g_setup.Cancelled);

    fake::FailNextReads(1);
    fake::QueueAnswers({IdCancel});
    EXPECT_EQ(ReadPackageBytes(&b, 1), -1);
    EXPECT_TRUE(g_setup.Cancelled);
    ASSERT_EQ(fake::ShownBoxes().size(), 2u);
    EXPECT_EQ(fake::ShownBoxes()[1].caption, "Critical Error!");
    EXPECT_EQ(fake::ShownBoxes()[1].owner, nullptr);
    // A failed CountedString read gives "".
    fake::FailNextReads(1);
    EXPECT_STREQ(ReadCountedString(), "");
}

TEST_F(VolumeReader, VolumeEndingInsideItsSizeFieldIsDamagedNotAHang) {
    WriteFileBytes(dir.file("SETUP.001"), Bytes{4, 0});
    Start(Volume0(100, {}));
    // Retry twice on the same short file, then Cancel: three prompts, then the exit.
    fake::QueueAnswers({IdRetry, IdRetry, IdCancel});
    u8 b = 0;
    EXPECT_THROW(ReadPackageBytes(&b, 1), FakeProcessExit);
    EXPECT_EQ(fake::ShownBoxes().size(), 3u);
    for (const ShownMessageBox& box : fake::ShownBoxes()) EXPECT_EQ(box.caption, "File Damaged");

    // Volume 0 too short for its field, and a locator of 0, fail the first open.
    ResetStubReader();
    WriteFileBytes(exe, Bytes(102, 0));
    RunAs(exe, 100);
    EXPECT_FALSE(OpenNextVolume());
    ResetStubReader();
    RunAs(exe, 0);
    EXPECT_FALSE(OpenNextVolume());
}

TEST_F(VolumeReader, SignedFirstVolumeEndsWhereItsCertificateTableBegins) {
    // The u32 split across the volumes joins as if the table were not there, and
    // ExpectedSize counts the table.
    WriteFileBytes(dir.file("SETUP.001"), VolumeK({0x22, 0x33, 0x44, 9, 0, 0, 0}));
    Bytes volume0 = Volume0(300, {0x11});
    AppendCertificateTable(volume0, 300);
    Start(volume0, 300);
    EXPECT_EQ(ReadU32(), 0x44332211u);
    EXPECT_EQ(ReadU32(), 9u);
    EXPECT_TRUE(fake::ShownBoxes().empty());
}
