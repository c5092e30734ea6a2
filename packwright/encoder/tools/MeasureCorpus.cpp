// Measures the block encoder on a corpus: total stored bytes, time, and a decode check.
// Build (from the repository root, after building build-<name>):
//   g++ -std=c++20 -O2 -I. packwright/encoder/tools/MeasureCorpus.cpp \
//       build-<name>/packwright/libpackwright_lib.a build-<name>/libportable.a \
//       build-<name>/libplatform_host.a -ldivsufsort -o /tmp/measure-corpus
// Usage: measure-corpus [--no-check] FILE...
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "package/DecodeBlock.h"
#include "packwright/encoder/BlockEncoder.h"

int main(int argc, char** argv) {
    bool check = true;
    std::size_t raw = 0, stored = 0, blocks = 0;
    double seconds = 0;
    double cpu = 0;
    std::vector<u8> buffer(DecodeCapacity);
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--no-check") == 0) {
            check = false;
            continue;
        }
        std::ifstream in(argv[a], std::ios::binary);
        std::vector<u8> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        for (std::size_t at = 0; at < data.size(); at += BuiltBlockSize) {
            std::size_t n = std::min<std::size_t>(BuiltBlockSize, data.size() - at);
            auto start = std::chrono::steady_clock::now();
            std::clock_t cpuStart = std::clock();
            ByteVector record = EncodeDataBlock(data.data() + at, n);
            cpu += static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
            seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            raw += n;
            stored += record.size() - 10;
            ++blocks;
            if (check) {
                u32 length = static_cast<u32>(record.size() - 10);
                std::memcpy(buffer.data(), record.data() + 10, length);
                DecodeBlock(buffer.data(), &length, DecodeCapacity);
                if (length != n || std::memcmp(buffer.data(), data.data() + at, n) != 0) {
                    std::fprintf(stderr, "MISMATCH in %s at %zu\n", argv[a], at);
                    return 1;
                }
            }
        }
    }
    std::printf("blocks %zu raw %zu stored %zu (%.3f%%) encode: wall %.3f s, cpu %.3f s = %.2f MB/s of cpu\n",
                blocks, raw, stored, 100.0 * stored / raw, seconds, cpu, raw / cpu / 1e6);
    return 0;
}
