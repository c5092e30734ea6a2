// Encoder and decoder are exact inverses on structured and random payloads, whichever
// choices the encoder makes.
#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "TestSupport.h"
#include "package/DecodeBlock.h"
#include "package/EntropyDecoder.h"
#include "package/InverseTransforms.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
constexpr std::size_t MaxPayload = DecodeCapacity - 5;  // mode byte and PrimaryIndex

Bytes DecodeStored(const Bytes& stored) {
    Bytes buffer(DecodeCapacity);
    std::memcpy(buffer.data(), stored.data(), stored.size());
    u32 n = static_cast<u32>(stored.size());
    EXPECT_TRUE(DecodeBlock(buffer.data(), &n, DecodeCapacity));
    buffer.resize(n);
    return buffer;
}

Bytes ExpectRoundTrip(const Bytes& payload, const EncoderOptions& options = {}) {
    Bytes stored = EncodeBlockPayload(payload.data(), payload.size(), options);
    EXPECT_GE(stored.size(), 1u) << "an empty record would be the end marker";
    EXPECT_LE(stored.size(), 0xFFFFu);
    EXPECT_EQ(DecodeStored(stored), payload) << "payload of " << payload.size() << " bytes";
    return stored;
}

// Every combination of the encoder's choices.
std::vector<EncoderOptions> AllChoices() {
    std::vector<EncoderOptions> all;
    for (RunModeChoice mode :
         {RunModeChoice::Estimate, RunModeChoice::Smaller, RunModeChoice::Plain, RunModeChoice::RunCoded})
        for (RunChoice runs : {RunChoice::Cheapest, RunChoice::Always})
            for (std::size_t escaped : {3, 4, 9, 257}) all.push_back({mode, escaped, runs});
    return all;
}

Bytes Random(std::size_t n, u32 seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<u8>(rng() % alphabet);
    return out;
}

Bytes Text(std::size_t n) {
    std::string text;
    while (text.size() < n) text += "The quick brown fox    jumps over the lazy dog; 0123456789.\r\n";
    text.resize(n);
    return Bytes(text.begin(), text.end());
}

Bytes DecodeCodes(const Bytes& stored) {
    Bytes out(DecodeCapacity);
    bool ok;
    u32 n = EntropyDecode(stored.data(), static_cast<u32>(stored.size()), out.data(), DecodeCapacity, &ok);
    EXPECT_TRUE(ok) << "a run was cut at the capacity";
    out.resize(n);
    return out;
}
}  // namespace

TEST(BlockRoundTrip, StructuredPayloads) {
    ExpectRoundTrip({});
    ExpectRoundTrip({'x'});
    ExpectRoundTrip({0xFF});
    ExpectRoundTrip(Bytes(65000, 0));
    ExpectRoundTrip(Bytes(65000, 0xFF));
    ExpectRoundTrip(Text(65000));
    ExpectRoundTrip(Bytes{'a', 'b', 'a', 'b', 'a', 'b'});  // periodic: equal rotations
}

TEST(BlockRoundTrip, RunsOfEveryLengthClassUnderEveryChoice) {
    // Lengths around each boundary: escape pairs (3..257 copies), RunSymbols (8..265),
    // and their splits; 0xFF runs at the very start repeat the decoder's initial byte.
    Bytes runs;
    for (int len : {1, 2, 3, 4, 5, 7, 8, 9, 10, 257, 258, 259, 260, 265, 266, 267, 274, 530, 1000, 3, 2})
        for (u8 b : {u8(0xFF), u8(0), u8('q'), u8(0xFF), u8(0xFE)}) runs.insert(runs.end(), len, b);
    Bytes mixed = Random(20000, 3, 4);  // short runs everywhere
    mixed.insert(mixed.end(), runs.begin(), runs.end());
    for (const EncoderOptions& options : AllChoices()) {
        ExpectRoundTrip(runs, options);
        ExpectRoundTrip(mixed, options);
        ExpectRoundTrip(Bytes{0xFF, 0xFF, 0xFF, 0xFF, 'a', 0xFF}, options);
        ExpectRoundTrip(Text(30000), options);
    }
}

TEST(BlockRoundTrip, RandomPayloadsOfManyLengths) {
    // Skewed and uniform data; 65000 symbols rescale the model several times.
    for (u32 seed = 1; seed <= 6; ++seed) {
        ExpectRoundTrip(Random(65000, seed, seed == 1 ? 256 : 1 << seed));
        ExpectRoundTrip(Random(seed * 977, seed + 100));
    }
    for (std::size_t n : {2, 3, 17, 255, 4096, 65001}) ExpectRoundTrip(Random(n, 9));
    ExpectRoundTrip(Random(MaxPayload, 9, 16));
}

TEST(BlockRoundTrip, IncompressiblePayloadsStayWithinTheRecordLimit) {
    // Random bytes, and random bytes rich in 0xFF (which doubles when run-coded).
    Bytes rich = Random(65000, 5);
    for (std::size_t i = 0; i < rich.size(); i += 3) rich[i] = 0xFF;
    for (const Bytes& payload : {Random(65000, 1), Random(65000, 2), rich}) {
        Bytes record = EncodeDataBlock(payload.data(), payload.size());
        ASSERT_LE(record.size() - 10, 0xFFFFu);
        EXPECT_EQ(LoadU16(record.data()), record.size() - 10);
        EXPECT_EQ(DecodeStored(Bytes(record.begin() + 10, record.end())), payload);
    }
    // Forcing run coding where doubled 0xFF bytes would overflow the decoder falls back.
    Bytes allFF(MaxPayload, 0xFF);
    for (std::size_t i = 0; i < allFF.size(); i += 2) allFF[i] = static_cast<u8>(i);
    ExpectRoundTrip(allFF, {RunModeChoice::RunCoded, 4, RunChoice::Cheapest});
}

TEST(BlockRoundTrip, PayloadsThatCannotFitAreRefused) {
    Bytes payload(MaxPayload + 1, 'x');
    EXPECT_THROW(EncodeBlockPayload(payload.data(), payload.size()), std::runtime_error);
    EXPECT_THROW(EncodeDataBlock(payload.data(), payload.size()), std::runtime_error);
    // Accepted in size, but random bytes this long code to more than a record can hold.
    Bytes random = Random(MaxPayload, 3);
    EXPECT_THROW(EncodeDataBlock(random.data(), random.size()), std::runtime_error);
    EXPECT_THROW(EntropyEncode(Bytes(DecodeCapacity + 1, 0)), std::runtime_error);
}

TEST(BlockRoundTrip, MoveToFrontCodesThroughTheEntropyStage) {
    std::mt19937 rng(7);
    for (int round = 0; round < 32; ++round) {
        Bytes codes(rng() % 70000);
        if (codes.size() > DecodeCapacity - 1) codes.resize(DecodeCapacity - 1);
        for (std::size_t i = 0; i < codes.size(); ++i) {
            switch (round % 4) {
                case 0: codes[i] = static_cast<u8>(rng()); break;
                case 1: codes[i] = static_cast<u8>(rng() % 3); break;
                case 2: codes[i] = rng() % 64 ? 0 : static_cast<u8>(rng()); break;  // long zero runs, rare symbols
                default: {  // long runs of any code, small and large
                    u8 c = static_cast<u8>(rng() % 2 ? rng() % 12 : rng());
                    for (std::size_t end = std::min(codes.size(), i + rng() % 300); i < end; ++i) codes[i] = c;
                    if (i < codes.size()) codes[i] = c;
                }
            }
        }
        for (RunChoice runs : {RunChoice::Cheapest, RunChoice::Always}) {
            Bytes stored = EntropyEncode(codes, {RunModeChoice::Estimate, 4, runs});
            EXPECT_EQ(DecodeCodes(stored), codes);
            // The same pass with the move-to-front stage folded in: the bytes the two stages
            // give apart, and the count of every byte value among them.
            Bytes bytes(codes.size());
            InverseMoveToFront(codes.data(), bytes.data(), static_cast<u32>(codes.size()));
            Bytes fused(DecodeCapacity);
            u32 counts[256];
            bool ok;
            u32 n = DecodeEntropyAndMoveToFront(stored.data(), static_cast<u32>(stored.size()), fused.data(),
                                                DecodeCapacity, &ok, counts);
            fused.resize(n);
            EXPECT_EQ(fused, bytes);
            for (int b = 0; b < 256; ++b)
                EXPECT_EQ(counts[b], static_cast<u32>(std::count(bytes.begin(), bytes.end(), b))) << "byte " << b;
        }
    }
}

TEST(BlockRoundTrip, CodesFillingTheDecoderEndWithALiteral) {
    // A run ending exactly at the capacity would be cut short by the decoder.
    Bytes zeros(DecodeCapacity, 0);
    EXPECT_EQ(DecodeCodes(EntropyEncode(zeros)), zeros);
    Bytes tail(DecodeCapacity);
    std::mt19937 rng(11);
    for (std::size_t i = 0; i < tail.size() - 300; ++i) tail[i] = static_cast<u8>(rng() % 5);
    for (std::size_t i = tail.size() - 300; i < tail.size(); ++i) tail[i] = 4;
    EXPECT_EQ(DecodeCodes(EntropyEncode(tail)), tail);
}
