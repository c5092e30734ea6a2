// File versions from PE version resources: real Windows libraries, a hand-made image, and
// damaged images, none of which may do more than give 0.0.0.0.
#include <cstring>
#include <filesystem>
#include <random>

#include "TestSupport.h"
#include "packwright/builder/PeVersion.h"

namespace {
void Put16(Bytes& b, std::size_t at, u16 v) { StoreU16(b.data() + at, v); }
void Put32(Bytes& b, std::size_t at, u32 v) { StoreU32(b.data() + at, v); }

// Offsets of the hand-made image, for the damage tests.
constexpr std::size_t PeHeader = 0x40, Optional = PeHeader + 24, Sections = Optional + 224;
constexpr std::size_t RawData = 0x200, VersionBlock = RawData + 0x58;
constexpr u32 SectionRva = 0x1000;
}  // namespace

// A 32-bit PE with one section holding a resource tree RT_VERSION / 1 / 1033 and a
// VS_VERSIONINFO block whose fixed information carries the given version.
Bytes MakePeWithVersion(u16 major, u16 minor, u16 build, u16 revision) {
    Bytes b(VersionBlock + 40 + 52, 0);
    b[0] = 'M', b[1] = 'Z';
    Put32(b, 0x3C, PeHeader);
    std::memcpy(b.data() + PeHeader, "PE\0\0", 4);
    Put16(b, PeHeader + 4, 0x14C);  // i386
    Put16(b, PeHeader + 6, 1);      // one section
    Put16(b, PeHeader + 20, 224);   // optional header size
    Put16(b, Optional, 0x10B);
    Put32(b, Optional + 92, 16);  // data directories
    Put32(b, Optional + 96 + 16, SectionRva);
    Put32(b, Optional + 96 + 20, static_cast<u32>(b.size() - RawData));
    std::memcpy(b.data() + Sections, ".rsrc", 5);
    Put32(b, Sections + 8, static_cast<u32>(b.size() - RawData));   // virtual size
    Put32(b, Sections + 12, SectionRva);
    Put32(b, Sections + 16, static_cast<u32>(b.size() - RawData));  // raw size
    Put32(b, Sections + 20, RawData);
    auto directory = [&](std::size_t at, u32 id, u32 target) {
        Put16(b, RawData + at + 14, 1);
        Put32(b, RawData + at + 16, id);
        Put32(b, RawData + at + 20, target);
    };
    directory(0x00, 16, 0x80000000u | 0x18);
    directory(0x18, 1, 0x80000000u | 0x30);
    directory(0x30, 1033, 0x48);
    Put32(b, RawData + 0x48, SectionRva + 0x58);
    Put32(b, RawData + 0x4C, 40 + 52);
    Put16(b, VersionBlock, 40 + 52);
    Put16(b, VersionBlock + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (std::size_t i = 0; i < sizeof key; ++i) Put16(b, VersionBlock + 6 + 2 * i, static_cast<u8>(key[i]));
    Put32(b, VersionBlock + 40, 0xFEEF04BD);
    Put32(b, VersionBlock + 48, static_cast<u32>(major) << 16 | minor);
    Put32(b, VersionBlock + 52, static_cast<u32>(build) << 16 | revision);
    return b;
}

namespace {
FileVersion VersionOf(const Bytes& b) { return ReadPeFileVersion(b.data(), b.size()); }
const FileVersion None{};
}  // namespace

TEST(PeVersion, ReadsTheFixedFileVersion) {
    EXPECT_EQ(VersionOf(MakePeWithVersion(1, 2, 3, 4)), (FileVersion{1, 2, 3, 4}));
    EXPECT_EQ(VersionOf(MakePeWithVersion(65535, 0, 65535, 1)), (FileVersion{65535, 0, 65535, 1}));
    EXPECT_EQ(VersionOf(Bytes{}), None);
    Bytes text(4096, 'x');
    EXPECT_EQ(VersionOf(text), None);
}

TEST(PeVersion, RealWindowsLibraries) {
    const std::filesystem::path folder = "/usr/lib/i386-linux-gnu/wine/i386-windows";
    if (!std::filesystem::exists(folder / "kernel32.dll")) GTEST_SKIP() << "no 32-bit Wine libraries in " << folder;
    for (const char* name : {"kernel32.dll", "comctl32.dll", "shell32.dll"}) {
        std::string path = (folder / name).string();
        FileVersion v = ReadPeFileVersionOf(path);
        // Cross-check with the fixed information found by its signature alone.
        Bytes image = ReadFileBytes(path);
        const u8 signature[] = {0xBD, 0x04, 0xEF, 0xFE};
        auto at = std::search(image.begin(), image.end(), signature, signature + 4);
        ASSERT_NE(at, image.end()) << name;
        const u8* fixed = &*at;
        FileVersion expected{static_cast<u16>(LoadU32(fixed + 8) >> 16), static_cast<u16>(LoadU32(fixed + 8)),
                             static_cast<u16>(LoadU32(fixed + 12) >> 16), static_cast<u16>(LoadU32(fixed + 12))};
        EXPECT_EQ(v, expected) << name;
        EXPECT_NE(v, None) << name;
    }
}

TEST(PeVersion, DamagedImagesGiveNoVersion) {
    Bytes good = MakePeWithVersion(1, 2, 3, 4);
    auto damaged = [&](auto change) {
        Bytes b = good;
        change(b);
        return VersionOf(b);
    };
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, 0x3C, 0xFFFFFFF0); }), None);              // PE header past the end
    EXPECT_EQ(damaged([](Bytes& b) { b[PeHeader + 1] = 'X'; }), None);                  // no PE signature
    EXPECT_EQ(damaged([](Bytes& b) { Put16(b, Optional, 0x999); }), None);              // unknown optional magic
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, Optional + 92, 2); }), None);             // no resource directory
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, Optional + 112, 0x9000); }), None);       // resources in no section
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, Sections + 20, 0x7FFFFFF0); }), None);    // section data past the end
    EXPECT_EQ(damaged([](Bytes& b) {  // entries past the end, none of them RT_VERSION
                  Put16(b, RawData + 14, 0xFFFF);
                  Put32(b, RawData + 16, 3);
              }),
              None);
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, RawData + 20, 0x80000000u | 0x7FFFFFF0); }), None);  // wild subdirectory
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, RawData + 0x48, 0x2000); }), None);       // data outside the section
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, RawData + 0x4C, 0xFFFFFFFF); }), None);   // data size beyond everything
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, VersionBlock + 40, 0xFEEF04BC); }), None);  // wrong fixed signature
    EXPECT_EQ(damaged([](Bytes& b) { Put16(b, VersionBlock + 2, 0); }), None);          // no fixed information
    EXPECT_EQ(damaged([](Bytes& b) { b[VersionBlock + 8] = 'W'; }), None);              // another block's key
    // A subdirectory where the language's data entry belongs: the tree must not loop.
    EXPECT_EQ(damaged([](Bytes& b) { Put32(b, RawData + 0x30 + 20, 0x80000000u); }), None);

    // Every cut of the image and many random byte changes: never a crash, never a read
    // outside the bytes (run under a sanitizer to see the latter).
    for (std::size_t n = 0; n < good.size(); ++n) EXPECT_EQ(ReadPeFileVersion(good.data(), n), None) << n;
    std::mt19937 rng(11);
    for (int round = 0; round < 20000; ++round) {
        Bytes b = good;
        for (int k = 0; k < 1 + round % 4; ++k) b[rng() % b.size()] = static_cast<u8>(rng());
        VersionOf(b);
    }
}
