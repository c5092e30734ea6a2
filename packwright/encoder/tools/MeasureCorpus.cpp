// Measures the block encoder on a corpus split into blocks as the builder splits files:
// total stored bytes, encoding time, and (unless --no-check) that every block decodes back.
// Build: cmake --build build --target measure_corpus (build/packwright/encoder/measure_corpus).
// Usage: measure-corpus [--no-check] [--mode estimate|smaller|plain|runcoded]
//                       [--escape N] [--runs cheapest|always] FILE...
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/BlockChecksum.h"
#include "package/DecodeBlock.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
bool ParseOption(int argc, char** argv, int& a, EncoderOptions& options, bool& check) {
    std::string arg = argv[a];
    std::string value = a + 1 < argc ? argv[a + 1] : "";
    if (arg == "--no-check") {
        check = false;
        return true;
    }
    if (arg == "--mode") {
        options.runMode = value == "smaller"    ? RunModeChoice::Smaller
                          : value == "plain"    ? RunModeChoice::Plain
                          : value == "runcoded" ? RunModeChoice::RunCoded
                                                : RunModeChoice::Estimate;
    } else if (arg == "--escape") {
        options.minEscapedCopies = std::strtoul(value.c_str(), nullptr, 10);
    } else if (arg == "--runs") {
        options.runChoice = value == "always" ? RunChoice::Always : RunChoice::Cheapest;
    } else {
        return false;
    }
    ++a;
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    EncoderOptions options;
    bool check = true;
    std::size_t raw = 0, stored = 0, blocks = 0;
    double seconds = 0, cpu = 0;
    std::vector<u8> buffer(DecodeCapacity);
    for (int a = 1; a < argc; ++a) {
        if (ParseOption(argc, argv, a, options, check)) continue;
        std::ifstream in(argv[a], std::ios::binary);
        std::vector<u8> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::size_t at = 0; at < data.size(); at += BuiltBlockSize) {
            std::size_t n = std::min<std::size_t>(BuiltBlockSize, data.size() - at);
            auto start = std::chrono::steady_clock::now();
            std::clock_t cpuStart = std::clock();
            ByteVector bytes = EncodeBlockPayload(data.data() + at, n, options);
            // The record's two checksums are part of the builder's work per block.
            volatile u32 sums = BlockChecksum(data.data() + at, static_cast<u32>(n), ChecksumStart) ^
                                BlockChecksum(bytes.data(), static_cast<u32>(bytes.size()), ChecksumStart);
            (void)sums;
            cpu += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            raw += n;
            stored += 10 + bytes.size();  // the record's length and two checksums, then the bytes
            ++blocks;
            if (check) {
                u32 length = static_cast<u32>(bytes.size());
                std::memcpy(buffer.data(), bytes.data(), length);
                DecodeBlock(buffer.data(), &length, DecodeCapacity);
                if (length != n || std::memcmp(buffer.data(), data.data() + at, n) != 0) {
                    std::fprintf(stderr, "MISMATCH in %s at %zu\n", argv[a], at);
                    return 1;
                }
            }
        }
    }
    std::printf("blocks %zu raw %zu records %zu (%.3f%%) encode: wall %.3f s, cpu %.3f s = %.2f MB/s of cpu\n",
                blocks, raw, stored, 100.0 * stored / raw, seconds, cpu, raw / cpu / 1e6);
    return 0;
}
