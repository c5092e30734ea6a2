// Writes small valid inputs for the fuzzers, made with the encoder: stored blocks for the
// block fuzzer and whole Package streams (install and companion) for the package fuzzer.
// Usage: seed_corpus <block-seed-dir> <package-seed-dir>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "package/BlockChecksum.h"
#include "packwright/encoder/BlockEncoder.h"

namespace {
using Bytes = std::vector<u8>;

void Save(const std::filesystem::path& dir, const std::string& name, const Bytes& bytes) {
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes Repeated(const std::string& line, std::size_t size) {
    std::string text;
    while (text.size() < size) text += line;
    text.resize(size);
    return Text(text);
}

Bytes Random(std::size_t size, u32 seed, u32 alphabet) {
    std::mt19937 rng(seed);
    Bytes out(size);
    for (auto& b : out) b = static_cast<u8>(rng() % alphabet);
    return out;
}

// Something shaped like a small executable: a header, zero padding, code-like bytes.
Bytes BinaryLike() {
    Bytes out = Text("MZ");
    out.resize(512, 0);
    std::mt19937 rng(11);
    for (int i = 0; i < 3000; ++i) {
        static const u8 ops[] = {0x55, 0x8B, 0xEC, 0x83, 0xC4, 0x5D, 0xC3, 0xE8, 0x89, 0x45, 0xFF, 0x00};
        out.push_back(ops[rng() % sizeof ops]);
    }
    out.resize(out.size() + 700, 0);
    return out;
}

void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }
void AppendU16(Bytes& out, u16 v) { out.insert(out.end(), {u8(v), u8(v >> 8)}); }
void AppendU32(Bytes& out, u32 v) { out.insert(out.end(), {u8(v), u8(v >> 8), u8(v >> 16), u8(v >> 24)}); }
void AppendCounted(Bytes& out, const std::string& text) {
    out.push_back(static_cast<u8>(text.size()));
    Append(out, Text(text));
}
void AppendCString(Bytes& out, const std::string& text) {
    Append(out, Text(text));
    out.push_back(0);
}

Bytes InstallHeader(const std::string& programDir, const std::string& licence, u32 password, u32 totalBlocks) {
    Bytes h;
    for (const std::string& s : {std::string("Fuzz Product 1.0"), std::string("Made for testing"),
                                 std::string("FuzzProduct"), programDir, std::string("Fuzz Product")})
        AppendCString(h, s);
    AppendU32(h, password);
    for (u32 k = 0; k < 7; ++k) AppendU32(h, 40 >> k);
    AppendU32(h, totalBlocks);
    if (licence.empty())
        h.push_back(0);
    else
        AppendCString(h, licence);
    return h;
}

void AppendFile(Bytes& out, const std::string& name, const std::vector<Bytes>& blocks, bool shared) {
    AppendCounted(out, name);
    AppendU16(out, static_cast<u16>(blocks.size()));
    for (u16 v : {1, 2, 3, 4}) AppendU16(out, v);
    AppendU32(out, 0xD53E8000);
    AppendU32(out, 0x01D9A000);
    out.push_back(shared ? 1 : 0);
    for (const Bytes& block : blocks) Append(out, EncodeDataBlock(block.data(), block.size()));
    Append(out, EndMarker());
}

Bytes InstallPackage(const std::string& programDir, const std::string& licence, bool withFiles) {
    Bytes out{0};
    Bytes header = InstallHeader(programDir, licence, licence.empty() ? 0 : 0x1234ABCD, withFiles ? 3 : 0);
    Append(out, EncodeDataBlock(header.data(), header.size()));
    if (withFiles) {
        AppendFile(out, "{OurProgramDir}\\readme.txt", {Repeated("Read me first.\r\n", 900)}, false);
        AppendFile(out, "{WinSysDir}\\fuzz.dll", {BinaryLike(), Random(200, 5, 7)}, true);
    }
    out.push_back(0);  // end of the file section
    AppendCounted(out, "{OurStartMenu}\\Fuzz.lnk={OurProgramDir}\\fuzz.exe");
    out.push_back(0);
    AppendCounted(out, "HKLM\\Software\\Fuzz\\Value=1");
    out.push_back(0);
    AppendCounted(out, withFiles ? "{OurProgramDir}\\readme.txt" : "");
    return out;
}

Bytes CompanionPackage(u8 mode, bool withLog) {
    Bytes out{mode};
    AppendCounted(out, "Fuzz Product 1.0");
    AppendCounted(out, "Made for testing");
    AppendCounted(out, "FuzzProduct");
    if (withLog) {
        for (const char* line : {"C:\\Program Files\\Fuzz\\readme.txt", "C:\\Program Files\\Fuzz"})
            AppendCounted(out, line);
        out.push_back(0);
    }
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <block-seed-dir> <package-seed-dir>\n", argv[0]);
        return 2;
    }
    std::filesystem::path blocks = argv[1], packages = argv[2];
    std::filesystem::create_directories(blocks);
    std::filesystem::create_directories(packages);

    const std::vector<std::pair<std::string, Bytes>> payloads = {
        {"abc", Text("abc")},
        {"one-byte", Text("x")},
        {"runs", Repeated("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", 600)},
        {"escape-bytes", Bytes(300, 0xFF)},
        {"zeros", Bytes(4000, 0)},
        {"text", Repeated("The installer writes each file, then its shortcut.\r\n", 6000)},
        {"binary", BinaryLike()},
        {"random-small-alphabet", Random(3000, 1, 4)},
        {"random", Random(2000, 2, 256)},
        {"skewed-long", Random(20000, 3, 32)},  // long enough for the model to rescale
    };
    for (const auto& [name, payload] : payloads) {
        ByteVector stored = EncodeBlockPayload(payload.data(), payload.size());
        Save(blocks, name, Bytes(stored.begin(), stored.end()));
    }

    Save(packages, "install-files", InstallPackage("Fuzz", "", true));
    Save(packages, "install-licence-fixed-dir", InstallPackage("C:\\Fuzz\\App", "Terms.\r\nAccept them.", true));
    Save(packages, "install-empty", InstallPackage("", "", false));
    Save(packages, "uninstall", CompanionPackage(1, true));
    Save(packages, "finalize", CompanionPackage(2, false));
    return 0;
}
