// The compression benchmark: our block format against bzip2, xz and gzip on the same files.
// For each corpus folder it prints compressed sizes and one-core CPU times (encode, decode),
// plus the encode wall time on all cores. Usage:
//   block_bench [--reps N] [--decode-only] [--packwright PATH] name=folder ...
#include <malloc.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "package/DataBlock.h"
#include "package/DecodeBlock.h"
#include "fuzz/reference/ReferenceDecoder.h"
#include "packwright/encoder/BlockEncoder.h"

extern char** environ;

namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<u8>;

struct Corpus {
    std::string name;
    fs::path folder;
    std::vector<fs::path> files;
    std::vector<Bytes> contents;
    u64 bytes = 0;
};

// One line of the table: what a method made of one corpus.
struct Figures {
    std::string method;
    u64 size = 0;
    double compressSeconds = -1;  // -1: not measured
    double decompressSeconds = -1;
};

double ThreadCpuSeconds() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Corpus LoadCorpus(const std::string& name, const fs::path& folder) {
    Corpus c{name, folder, {}, {}, 0};
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.') c.files.push_back(entry.path());
    std::sort(c.files.begin(), c.files.end());
    for (const auto& f : c.files) {
        c.contents.push_back(ReadAll(f));
        c.bytes += c.contents.back().size();
    }
    return c;
}

// ---- our format: every file cut into blocks of the built size, as a Package holds them ----

struct EncodedCorpus {
    std::vector<ByteVector> stored;   // stored bytes of every block
    std::vector<const u8*> payload;   // where each block's payload starts
    std::vector<u32> payloadLength;
    u64 packageBytes = 0;             // records and end markers
};

EncodedCorpus CutIntoBlocks(const Corpus& c) {
    EncodedCorpus e;
    for (const Bytes& file : c.contents) {
        for (std::size_t at = 0; at < file.size(); at += BuiltBlockSize) {
            e.payload.push_back(file.data() + at);
            e.payloadLength.push_back(static_cast<u32>(std::min<std::size_t>(BuiltBlockSize, file.size() - at)));
        }
    }
    e.stored.resize(e.payload.size());
    return e;
}

void EncodeRange(EncodedCorpus& e, std::atomic<std::size_t>& next) {
    for (std::size_t i; (i = next++) < e.payload.size();)
        e.stored[i] = EncodeBlockPayload(e.payload[i], e.payloadLength[i]);
}

// Encodes on `threads` threads and returns the wall time (CPU time of this thread for one).
double EncodeAll(EncodedCorpus& e, unsigned threads) {
    std::atomic<std::size_t> next{0};
    if (threads == 1) {
        double start = ThreadCpuSeconds();
        EncodeRange(e, next);
        return ThreadCpuSeconds() - start;
    }
    double start = WallSeconds();
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back([&] { EncodeRange(e, next); });
    for (auto& t : pool) t.join();
    return WallSeconds() - start;
}

using Decoder = bool (*)(u8*, u32*, u32);

// Decodes every block on this thread; the best of `reps` passes, checked against the input.
double DecodeAll(const EncodedCorpus& e, int reps, Decoder decode = DecodeBlock) {
    Bytes buffer(DecodeCapacity);
    double best = 1e30;
    for (int rep = 0; rep < reps; ++rep) {
        double start = ThreadCpuSeconds();
        for (std::size_t i = 0; i < e.stored.size(); ++i) {
            std::memcpy(buffer.data(), e.stored[i].data(), e.stored[i].size());
            u32 n = static_cast<u32>(e.stored[i].size());
            if (!decode(buffer.data(), &n, DecodeCapacity) || n != e.payloadLength[i] ||
                std::memcmp(buffer.data(), e.payload[i], n) != 0)
                throw std::runtime_error("block " + std::to_string(i) + " does not decode to its payload");
        }
        best = std::min(best, ThreadCpuSeconds() - start);
    }
    return best;
}

// ---- external tools, run on one file holding the whole corpus; CPU time of the child ----

double RunTool(const std::vector<std::string>& argv, const fs::path& input, const fs::path& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0)
        throw std::runtime_error("cannot run " + argv[0]);
    posix_spawn_file_actions_destroy(&actions);
    int status;
    rusage usage;
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(argv[0] + " failed");
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec * 1e-6 + usage.ru_stime.tv_sec + usage.ru_stime.tv_usec * 1e-6;
}

Figures MeasureTool(const std::string& label, const std::string& tool, const std::string& level, bool decompress,
                    const fs::path& joined, const fs::path& work, int reps, int compressReps) {
    Figures f{label};
    fs::path packed = work / ("packed-" + tool + level);
    f.compressSeconds = 1e30;
    for (int rep = 0; rep < compressReps; ++rep)
        f.compressSeconds = std::min(f.compressSeconds, RunTool({tool, level, "-c"}, joined, packed));
    f.size = fs::file_size(packed);
    if (decompress) {
        f.decompressSeconds = 1e30;
        for (int rep = 0; rep < reps; ++rep)
            f.decompressSeconds = std::min(f.decompressSeconds, RunTool({tool, "-d", "-c"}, packed, "/dev/null"));
    }
    fs::remove(packed);
    return f;
}

// ---- `packwright build` on a manifest naming every file of the corpus ----

// A stand-in Stub: only its locator matters to the builder, and its size is taken off the
// installer's size, so the figure is the Package alone.
constexpr u32 StandInStubSize = 65536;

fs::path WriteStandInStub(const fs::path& work) {
    Bytes stub(StandInStubSize, 0);
    stub[0] = 'M';
    stub[1] = 'Z';
    const char marker[] = "WHERETOSTARTSTRING:";
    std::memcpy(stub.data() + 1024, marker, 19);
    StoreU32(stub.data() + 1024 + 19, StandInStubSize);
    fs::path path = work / "stand-in-stub.exe";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(stub.data()), stub.size());
    return path;
}

// Builds an installer of the whole corpus folder; false when the tool cannot build it.
bool PackwrightBuild(const std::string& tool, const Corpus& c, const fs::path& work, unsigned jobs, u64* size,
                     double* seconds) {
    fs::path manifest = work / "bench.toml", installer = work / "bench-setup.exe";
    {
        std::ofstream m(manifest);
        m << "title = \"Benchmark\"\nprogram_dir = \"Benchmark\"\n\n[[file]]\nsource = '"
          << fs::absolute(c.folder).string() << "/*'\ntarget = '{OurProgramDir}\\" << c.name << "'\n";
    }
    std::string command = "'" + tool + "' build -q -j " + std::to_string(jobs) + " --stub '" +
                          WriteStandInStub(work).string() + "' -o '" + installer.string() + "' '" +
                          manifest.string() + "' >/dev/null";
    double start = WallSeconds();
    int rc = std::system(command.c_str());
    *seconds = WallSeconds() - start;
    if (rc != 0 || !fs::exists(installer)) return false;
    *size = fs::file_size(installer) - StandInStubSize;
    fs::remove(installer);
    return true;
}

// ---- the table ----

double MB(u64 bytes) { return bytes / 1e6; }

void PrintHeader() {
    std::printf("%-9s %-32s %12s %7s %9s %9s %9s %9s\n", "corpus", "method", "size", "ratio", "comp s", "comp MB/s",
                "dec s", "dec MB/s");
}

void PrintRow(const std::string& corpus, u64 original, const Figures& f) {
    char comp[32] = "-", compRate[32] = "-", dec[32] = "-", decRate[32] = "-";
    if (f.compressSeconds >= 0) {
        std::snprintf(comp, sizeof comp, "%.2f", f.compressSeconds);
        std::snprintf(compRate, sizeof compRate, "%.2f", MB(original) / f.compressSeconds);
    }
    if (f.decompressSeconds >= 0) {
        std::snprintf(dec, sizeof dec, "%.3f", f.decompressSeconds);
        std::snprintf(decRate, sizeof decRate, "%.1f", MB(original) / f.decompressSeconds);
    }
    std::printf("%-9s %-32s %12llu %6.2f%% %9s %9s %9s %9s\n", corpus.c_str(), f.method.c_str(),
                static_cast<unsigned long long>(f.size), 100.0 * f.size / original, comp, compRate, dec, decRate);
}

std::vector<Figures> MeasureCorpus(const Corpus& c, const fs::path& work, int reps, bool decodeOnly,
                                   const std::string& packwright, unsigned cores) {
    std::vector<Figures> rows;
    EncodedCorpus e = CutIntoBlocks(c);
    Figures ours{"ours (blocks of 65000)"};
    ours.compressSeconds = EncodeAll(e, 1);
    for (std::size_t i = 0; i < e.stored.size(); ++i) ours.size += DataBlockPrefixSize + e.stored[i].size();
    ours.size += 2 * c.files.size();  // one end marker per file
    ours.decompressSeconds = DecodeAll(e, reps);
    rows.push_back(ours);
    // The same blocks through the plain step-by-step decoder: what the tuning gained.
    Figures plain{"ours, plain reference decoder"};
    plain.size = ours.size;
    plain.decompressSeconds = DecodeAll(e, reps, reference::DecodeBlock);
    rows.push_back(plain);
    if (decodeOnly) return rows;

    Figures pool{"ours, encode on " + std::to_string(cores) + " threads"};
    pool.size = ours.size;
    pool.compressSeconds = EncodeAll(e, cores);
    rows.push_back(pool);

    if (!packwright.empty()) {
        for (unsigned jobs : {1u, cores}) {
            Figures build{"packwright build -j " + std::to_string(jobs) + " (wall s)"};
            double seconds;
            if (PackwrightBuild(packwright, c, work, jobs, &build.size, &seconds)) {
                build.compressSeconds = seconds;
                rows.push_back(build);
            } else {
                std::fprintf(stderr, "note: `%s build` did not build the %s corpus; its rows are left out\n",
                             packwright.c_str(), c.name.c_str());
                break;
            }
        }
    }

    fs::path joined = work / ("joined-" + c.name);
    {
        std::ofstream out(joined, std::ios::binary);
        for (const Bytes& file : c.contents)
            out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    rows.push_back(MeasureTool("bzip2 -1", "bzip2", "-1", true, joined, work, reps, reps));
    rows.push_back(MeasureTool("bzip2 -9", "bzip2", "-9", true, joined, work, reps, reps));
    // xz compresses slowly: once is enough for its size; its decoding is timed like the rest.
    rows.push_back(MeasureTool("xz -6", "xz", "-6", true, joined, work, reps, 1));
    rows.push_back(MeasureTool("gzip -9", "gzip", "-9", true, joined, work, reps, reps));
    fs::remove(joined);
    return rows;
}
}  // namespace

int main(int argc, char** argv) {
    // As packwright does: freed block buffers stay in the heap, so the timings measure the
    // coder rather than the page faults of fresh mappings (the Stub's heap reuses them too).
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    int reps = 3;
    bool decodeOnly = false;
    std::string packwright;
    std::vector<std::pair<std::string, fs::path>> folders;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (a == "--decode-only")
            decodeOnly = true;
        else if (a == "--packwright" && i + 1 < argc)
            packwright = argv[++i];
        else if (auto eq = a.find('='); eq != std::string::npos)
            folders.emplace_back(a.substr(0, eq), a.substr(eq + 1));
        else {
            std::fprintf(stderr, "usage: %s [--reps N] [--decode-only] [--packwright PATH] name=folder ...\n", argv[0]);
            return 2;
        }
    }
    if (folders.empty()) {
        std::fprintf(stderr, "no corpus folder given\n");
        return 2;
    }
    unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    fs::path work = fs::temp_directory_path() / ("packwright-bench-" + std::to_string(getpid()));
    fs::create_directories(work);
    try {
        std::vector<Figures> totals;
        u64 totalBytes = 0;
        PrintHeader();
        for (const auto& [name, folder] : folders) {
            Corpus c = LoadCorpus(name, folder);
            std::printf("# %s: %zu files, %.1f MB\n", name.c_str(), c.files.size(), MB(c.bytes));
            std::vector<Figures> rows = MeasureCorpus(c, work, reps, decodeOnly, packwright, cores);
            for (const Figures& f : rows) PrintRow(name, c.bytes, f);
            std::fflush(stdout);
            totalBytes += c.bytes;
            if (totals.empty()) {
                totals = rows;
            } else {
                for (std::size_t i = 0; i < rows.size() && i < totals.size(); ++i) {
                    totals[i].size += rows[i].size;
                    if (totals[i].compressSeconds >= 0) totals[i].compressSeconds += rows[i].compressSeconds;
                    if (totals[i].decompressSeconds >= 0) totals[i].decompressSeconds += rows[i].decompressSeconds;
                }
            }
        }
        if (folders.size() > 1)
            for (const Figures& f : totals) PrintRow("total", totalBytes, f);
    } catch (const std::exception& ex) {
        std::fprintf(stderr, "block_bench: %s\n", ex.what());
        fs::remove_all(work);
        return 1;
    }
    fs::remove_all(work);
    return 0;
}
