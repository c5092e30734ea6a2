// Encoder and decoder are exact inverses on structured and random payloads.
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "package/DecodeBlock.h"
#include "package/EntropyDecoder.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
Bytes DecodeStored(const Bytes& stored) {
    Bytes buffer(DecodeCapacity);
    std::memcpy(buffer.data(), stored.data(), stored.size());
    u32 n = static_cast<u32>(stored.size());
    EXPECT_TRUE(DecodeBlock(buffer.data(), &n, DecodeCapacity));
    buffer.resize(n);
    return buffer;
}

void ExpectRoundTrip(const Bytes& payload) {
    Bytes stored = EncodeBlockPayload(payload.data(), payload.size());
    EXPECT_EQ(DecodeStored(stored), payload) << "payload of " << payload.size() << " bytes";
}

Bytes Random(std::size_t n, u32 seed, int alphabet = 256) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<u8>(rng() % alphabet);
    return out;
}
}  // namespace

TEST(BlockRoundTrip, StructuredPayloads) {
    ExpectRoundTrip({});
    ExpectRoundTrip({'x'});
    ExpectRoundTrip({0xFF});
    ExpectRoundTrip(Bytes(65000, 0));
    ExpectRoundTrip(Bytes(65000, 0xFF));
    Bytes runs;
    for (int len : {1, 2, 3, 4, 7, 8, 9, 257, 258, 259, 265, 266, 1000, 3, 2})
        for (u8 b : {u8(0), u8(0xFF), u8('q')}) runs.insert(runs.end(), len, b);
    ExpectRoundTrip(runs);
    std::string text;
    while (text.size() < 65000) text += "The quick brown fox jumps over the lazy dog; 0123456789.\r\n";
    text.resize(65000);
    ExpectRoundTrip(Bytes(text.begin(), text.end()));
    ExpectRoundTrip(Bytes{'a', 'b', 'a', 'b', 'a', 'b'});  // periodic: equal rotations
}

TEST(BlockRoundTrip, RandomPayloadsRescaleTheModel) {
    // Skewed and uniform data of many lengths; 65000 symbols rescale the model several times.
    for (u32 seed = 1; seed <= 6; ++seed) {
        ExpectRoundTrip(Random(65000, seed, seed == 1 ? 256 : 1 << seed));
        ExpectRoundTrip(Random(seed * 977, seed + 100));
    }
}

TEST(BlockRoundTrip, RandomMoveToFrontCodesThroughTheEntropyStage) {
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        Bytes codes(rng() % 70000);
        for (auto& c : codes) c = static_cast<u8>(rng() % (round % 2 ? 3 : 256));
        if (codes.size() > DecodeCapacity - 1) codes.resize(DecodeCapacity - 1);
        Bytes stored = EntropyEncode(codes);
        Bytes out(DecodeCapacity);
        bool ok;
        u32 n = EntropyDecode(stored.data(), static_cast<u32>(stored.size()), out.data(), DecodeCapacity, &ok);
        out.resize(n);
        EXPECT_EQ(out, codes);
    }
}
