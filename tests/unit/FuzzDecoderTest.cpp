// The tuned block decoder against the plain step-by-step one that the fuzzer also uses:
// both must give the same result for any input, valid or damaged, since Packages made
// for the plain reading of the format have to decode identically.
#include <cstring>
#include <random>

#include "TestSupport.h"
#include "package/DecodeBlock.h"
#include "package/FrequencyModel.h"
#include "fuzz/reference/ReferenceDecoder.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
struct Decoded {
    bool ok;
    Bytes bytes;
    bool operator==(const Decoded&) const = default;
};

Decoded Decode(bool (*decode)(u8*, u32*, u32), const Bytes& stored, u32 capacity = DecodeCapacity) {
    Bytes buffer(std::max<std::size_t>(capacity, stored.size()));
    std::memcpy(buffer.data(), stored.data(), stored.size());
    u32 n = static_cast<u32>(stored.size());
    bool ok = decode(buffer.data(), &n, capacity);
    buffer.resize(n);
    return {ok, buffer};
}

void ExpectSameAsReference(const Bytes& stored, u32 capacity = DecodeCapacity) {
    EXPECT_EQ(Decode(DecodeBlock, stored, capacity), Decode(reference::DecodeBlock, stored, capacity))
        << stored.size() << " stored bytes, capacity " << capacity;
}

Bytes Skewed(std::size_t n, std::mt19937& rng, int alphabet) {
    Bytes out(n);
    std::geometric_distribution<int> pick(0.08);
    for (auto& b : out) b = static_cast<u8>(std::min(pick(rng), alphabet - 1));
    return out;
}
}  // namespace

TEST(FuzzDecoder, ValidBlocksDecodeAsTheReferenceDoes) {
    // Long skewed payloads drive the model through several rescales and many moves of
    // symbols past runs of equal counts; wide alphabets exercise the slow search path.
    std::mt19937 rng(20);
    for (int alphabet : {2, 16, 64, 256}) {
        Bytes payload = Skewed(65000, rng, alphabet);
        ByteVector stored = EncodeBlockPayload(payload.data(), payload.size());
        Bytes s(stored.begin(), stored.end());
        ExpectSameAsReference(s);
        EXPECT_EQ(Decode(DecodeBlock, s).bytes, payload);
    }
}

TEST(FuzzDecoder, DamagedAndRandomInputDecodesAsTheReferenceDoes) {
    std::mt19937 rng(21);
    Bytes text;
    while (text.size() < 30000) {
        const char line[] = "Setup copies the files, then writes the shortcuts and registry values.\r\n";
        text.insert(text.end(), line, line + sizeof line - 1);
    }
    ByteVector valid = EncodeBlockPayload(text.data(), text.size());
    for (int round = 0; round < 40; ++round) {
        Bytes damaged(valid.begin(), valid.end());
        for (int flips = 1 + round % 4; flips; --flips) damaged[rng() % damaged.size()] ^= static_cast<u8>(1 << rng() % 8);
        if (round % 5 == 0) damaged.resize(rng() % damaged.size());  // cut short: zero bits follow
        ExpectSameAsReference(damaged);
    }
    for (int round = 0; round < 40; ++round) {
        Bytes noise(rng() % 3000);
        for (auto& b : noise) b = static_cast<u8>(rng() % (round % 2 ? 4 : 256));
        // Small capacities cut runs and stop the entropy stage early.
        ExpectSameAsReference(noise, round % 3 ? DecodeCapacity : 1 + rng() % 600);
    }
}

TEST(FuzzDecoder, SearchWithRangeMatchesTheDividedTarget) {
    // FindPosition(target, range) must pick the slot of target / range, including targets
    // on the exact borders between slots, in models skewed towards the top and the bottom.
    std::mt19937 rng(22);
    FrequencyModel m;
    for (int i = 0; i < 20000; ++i) m.Increment(rng() % 3 ? rng() % 4 : rng() % SymbolCount);
    for (int i = 0; i < 20000; ++i) {
        u32 range = 0x4001 + rng() % 0xC000;
        u32 scaled = rng() % m.Total();
        u32 target = scaled * range + (i % 3 == 0 ? 0 : i % 3 == 1 ? range - 1 : rng() % range);
        int p = m.FindPosition(target, range);
        ASSERT_LE(m.CumBefore(p), scaled);
        ASSERT_LT(scaled, m.cum[p]);
        ASSERT_EQ(m.FindPosition(scaled), p);
    }
}
