// The encoder's rotation sort against a plain one, its cost arithmetic, and that it is
// safe and reproducible when blocks are encoded on many threads.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <thread>

#include "TestSupport.h"
#include "packwright/encoder/BlockEncoder.h"
#include "packwright/encoder/SymbolCost.h"

namespace {
// Last column by sorting the rotations themselves, and the rotation each row holds.
Bytes PlainTransform(const Bytes& s, std::vector<std::size_t>& order) {
    const std::size_t n = s.size();
    order.resize(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        for (std::size_t k = 0; k < n; ++k) {
            u8 x = s[(a + k) % n], y = s[(b + k) % n];
            if (x != y) return x < y;
        }
        return false;
    });
    Bytes last(n);
    for (std::size_t r = 0; r < n; ++r) last[r] = s[(order[r] + n - 1) % n];
    return last;
}

bool SameRotation(const Bytes& s, std::size_t a, std::size_t b) {
    for (std::size_t k = 0; k < s.size(); ++k)
        if (s[(a + k) % s.size()] != s[(b + k) % s.size()]) return false;
    return true;
}

void ExpectSameAsPlainSort(const Bytes& s) {
    Bytes out = BurrowsWheeler(s);
    ASSERT_EQ(out.size(), s.size() + 4);
    if (s.empty()) return;
    std::vector<std::size_t> order;
    Bytes last = PlainTransform(s, order);
    EXPECT_EQ(Bytes(out.begin() + 4, out.end()), last) << std::string(s.begin(), s.end());
    u32 primary = LoadU32(out.data());
    ASSERT_LT(primary, s.size());
    // The decoder starts from the row of the rotation at position 1 (or an equal one).
    EXPECT_TRUE(SameRotation(s, order[primary], 1 % s.size())) << std::string(s.begin(), s.end());
}
}  // namespace

TEST(EncoderTransforms, RotationSortMatchesPlainSort) {
    std::mt19937 rng(5);
    for (int round = 0; round < 3000; ++round) {
        Bytes s(1 + rng() % 40);
        int alphabet = 1 + round % 4;  // tiny alphabets make long equal prefixes
        for (auto& b : s) b = static_cast<u8>('a' + rng() % alphabet);
        ExpectSameAsPlainSort(s);
    }
    // Repetitions of a shorter string have equal rotations.
    for (const char* unit : {"a", "ab", "ba", "aab", "abaab", "zyx"})
        for (int times : {1, 2, 3, 7}) {
            std::string text;
            for (int t = 0; t < times; ++t) text += unit;
            ExpectSameAsPlainSort(Bytes(text.begin(), text.end()));
        }
    ExpectSameAsPlainSort({});
    Bytes big(5000, 'a');
    big[4321] = 'b';
    ExpectSameAsPlainSort(big);
}

TEST(EncoderTransforms, Log2CostsAreExact) {
    const Cost* log2 = Log2Costs();
    for (u32 x = 1; x <= FrequencyModel::RescaleTotal; ++x)
        ASSERT_NEAR(log2[x] / 65536.0, std::log2(static_cast<double>(x)), 2.0 / 65536) << x;
}

TEST(EncoderTransforms, ParallelEncodingIsReproducible) {
    std::vector<Bytes> payloads;
    std::mt19937 rng(3);
    for (int i = 0; i < 8; ++i) {
        Bytes p(20000 + 3000 * i);
        for (auto& b : p) b = static_cast<u8>(rng() % (i % 2 ? 7 : 256));
        payloads.push_back(p);
    }
    std::vector<Bytes> serial;
    for (const Bytes& p : payloads) serial.push_back(EncodeDataBlock(p.data(), p.size()));
    std::vector<std::vector<Bytes>> parallel(4, std::vector<Bytes>(payloads.size()));
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < parallel.size(); ++t)
        threads.emplace_back([&, t] {
            for (std::size_t i = 0; i < payloads.size(); ++i)
                parallel[t][i] = EncodeDataBlock(payloads[i].data(), payloads[i].size());
        });
    for (auto& thread : threads) thread.join();
    for (const auto& results : parallel) EXPECT_EQ(results, serial);
}
