// The worked values of the checksum, the entropy decoder, the inverse stages and whole
// blocks, and the bounds that damaged blocks must not break.
#include <cstring>

#include "TestSupport.h"
#include "package/BlockChecksum.h"
#include "package/DataBlock.h"
#include "package/DecodeBlock.h"
#include "package/EntropyDecoder.h"
#include "package/InverseTransforms.h"
#include "package/StubPackage.h"
#include "state/SetupState.h"

TEST(BlockChecksum, WorkedValuesAndChaining) {
    EXPECT_EQ(BlockChecksum("", 0, ChecksumStart), 0xFFFFFFFFu);
    EXPECT_EQ(BlockChecksum("a", 1, ChecksumStart), 0x196C646Bu);
    EXPECT_EQ(BlockChecksum("abc", 3, ChecksumStart), 0x262A3D24u);
    EXPECT_EQ(BlockChecksum("c", 1, BlockChecksum("ab", 2, ChecksumStart)), 0x262A3D24u);
}

TEST(EntropyDecode, WorkedStreams) {
    u8 out[DecodeCapacity];
    bool ok;
    Bytes abc = HexBytes("01 FA 09 E7 EA 49 1E 97 98");
    u32 n = EntropyDecode(abc.data(), static_cast<u32>(abc.size()), out, DecodeCapacity, &ok);
    EXPECT_EQ(Bytes(out, out + n), HexBytes("01 01 00 00 63 01 62 63"));
    EXPECT_TRUE(ok);

    Bytes run = HexBytes("01 FA 09 E7 E6 97 B5 CB 88 76 B0");
    n = EntropyDecode(run.data(), static_cast<u32>(run.size()), out, DecodeCapacity, &ok);
    Bytes expected = HexBytes("01 01 00 00 62 01 62 00");
    expected.insert(expected.end(), 27, 0);
    EXPECT_EQ(Bytes(out, out + n), expected);
}

TEST(EntropyDecode, RunCutOneShortOfCapacity) {
    // The run stream above holds 8 literals and then a run of 27; with capacity 30 the run
    // is cut to 21 bytes (one short of the capacity) and the end is never reached.
    Bytes run = HexBytes("01 FA 09 E7 E6 97 B5 CB 88 76 B0");
    u8 out[64];
    bool ok;
    u32 n = EntropyDecode(run.data(), static_cast<u32>(run.size()), out, 30, &ok);
    EXPECT_EQ(n, 29u);
    EXPECT_FALSE(ok);
    // A run that fits whole leaves the flag alone.
    n = EntropyDecode(run.data(), static_cast<u32>(run.size()), out, 36, &ok);
    EXPECT_EQ(n, 35u);
    EXPECT_TRUE(ok);
}

TEST(FrequencyModel, OrderingTieBreakAndRescale) {
    FrequencyModel m;
    EXPECT_EQ(m.Total(), 258u);
    m.Increment(5);  // count 2 passes every count-1 entry: it goes to the top
    EXPECT_EQ(m.index[5], 257);
    EXPECT_EQ(m.symbol[256], 257);
    m.Increment(7);  // count 2 again: stops below the equal entry of symbol 5
    EXPECT_EQ(m.index[7], 256);
    EXPECT_EQ(m.index[5], 257);
    for (int p = 0; p < SymbolCount; ++p) {
        EXPECT_EQ(m.cum[p], m.CumBefore(p) + m.freq[p]);
        if (p) {
            EXPECT_LE(m.freq[p - 1], m.freq[p]);
        }
    }
    // Drive the total to the rescale point: counts halve rounding up.
    while (m.Total() < FrequencyModel::RescaleTotal - 1) m.Increment(9);
    u16 before9 = m.freq[m.index[9]];
    m.Increment(9);
    EXPECT_EQ(m.freq[m.index[9]], (before9 + 2) / 2);
    EXPECT_EQ(m.freq[m.index[7]], 1);  // 2 becomes 1
    EXPECT_EQ(m.Total(), 8062u + 1 + 1 + 255);  // 16124 halves to 8062; the rest are 1
}

TEST(InverseStages, WorkedValues) {
    u8 out[16];
    Bytes mtf = HexBytes("01 01 01");
    InverseMoveToFront(mtf.data(), out, 3);
    EXPECT_EQ(Bytes(out, out + 3), HexBytes("01 00 01"));

    Bytes codes = HexBytes("01 01 00 00 63 01 62 63");
    InverseMoveToFront(codes.data(), out, 8);
    EXPECT_EQ(Bytes(out, out + 8), HexBytes("01 00 00 00 63 00 61 62"));

    Bytes transformed = HexBytes("01 00 00 00 63 00 61 62");
    u32 n = 8;
    ASSERT_TRUE(InverseBurrowsWheeler(transformed.data(), out, &n));
    EXPECT_EQ(Bytes(out, out + n), HexBytes("00 61 62 63"));

    Bytes runs = HexBytes("01 41 FF 00");
    n = 4;
    ASSERT_TRUE(ExpandRuns(runs.data(), out, &n, 16));
    EXPECT_EQ(Bytes(out, out + n), HexBytes("41 41 41 41"));
    runs = HexBytes("01 FF 01");
    n = 3;
    ASSERT_TRUE(ExpandRuns(runs.data(), out, &n, 16));
    EXPECT_EQ(Bytes(out, out + n), HexBytes("FF FF FF FF"));
    runs = HexBytes("01 41 FF FF FF 00");  // FF FF is one 0xFF and makes it the repeated byte
    n = 6;
    ASSERT_TRUE(ExpandRuns(runs.data(), out, &n, 16));
    EXPECT_EQ(Bytes(out, out + n), HexBytes("41 FF FF FF FF"));
    runs = HexBytes("00 FF 01 02");  // mode 0 copies the rest unchanged
    n = 4;
    ASSERT_TRUE(ExpandRuns(runs.data(), out, &n, 16));
    EXPECT_EQ(Bytes(out, out + n), HexBytes("FF 01 02"));
}

TEST(InverseStages, BoundsOfDamagedInput) {
    u8 out[300];
    Bytes three = HexBytes("00 00 00");
    u32 n = 3;
    EXPECT_FALSE(InverseBurrowsWheeler(three.data(), out, &n));
    Bytes onlyIndex = HexBytes("07 00 00 00");  // an empty result whatever the index
    n = 4;
    EXPECT_TRUE(InverseBurrowsWheeler(onlyIndex.data(), out, &n));
    EXPECT_EQ(n, 0u);
    Bytes badIndex = HexBytes("02 00 00 00 61 62");
    n = 6;
    EXPECT_FALSE(InverseBurrowsWheeler(badIndex.data(), out, &n));

    Bytes lone = HexBytes("01 41 FF");
    n = 3;
    EXPECT_FALSE(ExpandRuns(lone.data(), out, &n, 300));
    Bytes tooLong = HexBytes("01 41 FF FE");  // 1 + 257 bytes into a capacity of 100
    n = 4;
    EXPECT_FALSE(ExpandRuns(tooLong.data(), out, &n, 100));
    Bytes copyTooLong = HexBytes("00 01 02 03");
    n = 4;
    EXPECT_FALSE(ExpandRuns(copyTooLong.data(), out, &n, 2));
}

TEST(DecodeBlock, WorkedBlock) {
    u8 buffer[DecodeCapacity];
    Bytes abc = HexBytes("01 FA 09 E7 EA 49 1E 97 98");
    std::memcpy(buffer, abc.data(), abc.size());
    u32 n = static_cast<u32>(abc.size());
    ASSERT_TRUE(DecodeBlock(buffer, &n, DecodeCapacity));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), n), "abc");
}

class DataBlockTest : public HostProcessTest {
protected:
    TempDir dir;
    // A one-volume package file whose stream is `stream`.
    void OpenStream(const Bytes& stream) {
        Bytes file(16, 'S');
        AppendU32(file, 0);
        file.insert(file.end(), stream.begin(), stream.end());
        WriteFileBytes(dir.file("setup.exe"), file);
        RunAs(dir.file("setup.exe"), 16);
        ASSERT_TRUE(OpenNextVolume());
    }
};

TEST_F(DataBlockTest, WorkedRecordsAndEndMarker) {
    Bytes stream = HexBytes("09 00 24 3D 2A 26 F1 F6 DB C7 01 FA 09 E7 EA 49 1E 97 98");
    Bytes second = HexBytes("0B 00 D5 0D 69 06 B0 34 C5 F5 01 FA 09 E7 E6 97 B5 CB 88 76 B0");
    stream.insert(stream.end(), second.begin(), second.end());
    stream.push_back(0);
    stream.push_back(0);
    stream.push_back(0x5A);
    OpenStream(stream);
    u8 buffer[DecodeCapacity];
    u32 n = 99;
    ASSERT_TRUE(ReadDataBlock(buffer, &n, DecodeCapacity));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), n), "abc");
    ASSERT_TRUE(ReadDataBlock(buffer, &n, DecodeCapacity));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), n), std::string(29, 'a') + "b");
    ASSERT_TRUE(ReadDataBlock(buffer, &n, DecodeCapacity));
    EXPECT_EQ(n, 0u);
    u8 next;
    ASSERT_EQ(ReadPackageBytes(&next, 1), 1);  // the end marker consumed exactly two bytes
    EXPECT_EQ(next, 0x5A);
    EXPECT_FALSE(g_setup.Corrupted);
}

TEST_F(DataBlockTest, DamagedBlocksFailAndSkipModeConsumesThem) {
    Bytes good = HexBytes("09 00 24 3D 2A 26 F1 F6 DB C7 01 FA 09 E7 EA 49 1E 97 98");
    Bytes altered = good;
    altered[12] ^= 1;
    Bytes swapped = HexBytes("09 00 F1 F6 DB C7 24 3D 2A 26 01 FA 09 E7 EA 49 1E 97 98");
    Bytes stream = altered;
    stream.insert(stream.end(), swapped.begin(), swapped.end());
    stream.insert(stream.end(), altered.begin(), altered.end());  // skipped: still true
    stream.push_back(0);
    stream.push_back(0);
    OpenStream(stream);
    u8 buffer[DecodeCapacity];
    u32 n = 0;
    EXPECT_FALSE(ReadDataBlock(buffer, &n, DecodeCapacity));
    EXPECT_TRUE(g_setup.Corrupted);
    EXPECT_FALSE(ReadDataBlock(buffer, &n, DecodeCapacity));
    ASSERT_TRUE(ReadDataBlock(nullptr, &n, DecodeCapacity));
    EXPECT_EQ(n, 9u);  // the stored length
    ASSERT_TRUE(ReadDataBlock(nullptr, &n, DecodeCapacity));
    EXPECT_EQ(n, 0u);
}
