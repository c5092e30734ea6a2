// What a manifest's fields become, and how sources are found.
#include <filesystem>

#include "TestSupport.h"
#include "packwright/builder/AnsiText.h"
#include "packwright/builder/ManifestReader.h"
#include "packwright/builder/SourceFiles.h"

namespace fs = std::filesystem;

namespace {
Manifest Read(const TempDir& dir, const std::string& text, Diagnostics& d) {
    WriteFileBytes(dir.file("m.toml"), Bytes(text.begin(), text.end()));
    return ReadManifest(dir.file("m.toml"), d);
}

std::vector<std::string> Relative(const std::vector<SourceMatch>& matches) {
    std::vector<std::string> out;
    for (const auto& m : matches) out.push_back(m.relative);
    return out;
}
}  // namespace

TEST(ManifestReader, FieldsAndTheirSpellings) {
    TempDir dir;
    Diagnostics d(dir.file("m.toml"));
    Manifest m = Read(dir,
                      "title = \"T\"\nfooter = \"One line\"\nlicence = \"docs/l.txt\"\nvolume_size = \"1.44 MB\"\n"
                      "[[registry]]\nkey = 'hkcu\\Software\\A'\nvalues = [\n"
                      "  { string = \"default\" },\n  { name = \"@\", dword = 0 },\n"
                      "  { name = \"b\", binary = \"00:0A-ff 10\" },\n  { name = \"n\", name_only = true },\n]\n"
                      "[[registry]]\nkey = 'HKEY_CLASSES_ROOT\\.txt'\n",
                      d);
    ASSERT_FALSE(d.HasErrors()) << FormatDiagnostic(d.All()[0]);
    EXPECT_EQ(m.FooterText, "One line");
    EXPECT_EQ(m.licenceFile, (dir.path() / "docs/l.txt").string());
    EXPECT_EQ(m.volumeSize, 1440000u);
    ASSERT_EQ(m.registry.size(), 2u);
    EXPECT_EQ(m.registry[0].key, "HKEY_CURRENT_USER\\Software\\A");
    EXPECT_EQ(m.registry[1].key, "HKEY_CLASSES_ROOT\\.txt");
    const auto& v = m.registry[0].values;
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0].name, "@");  // no name: the default value
    EXPECT_EQ(v[1].name, "@");
    EXPECT_EQ(v[2].data, (std::vector<u8>{0x00, 0x0A, 0xFF, 0x10}));
    EXPECT_EQ(v[3].kind, RegistryValueKind::NameOnly);
    EXPECT_EQ(m.LineOf("volume_size"), 4);
    EXPECT_EQ(v[2].line, 10);
}

TEST(ManifestReader, ByteSizes) {
    u64 n = 0;
    EXPECT_TRUE(ParseByteSize("1457664", &n));
    EXPECT_EQ(n, 1457664u);
    EXPECT_TRUE(ParseByteSize("1440 KiB", &n));
    EXPECT_EQ(n, 1474560u);
    EXPECT_TRUE(ParseByteSize("650MB", &n));
    EXPECT_EQ(n, 650000000u);
    EXPECT_TRUE(ParseByteSize("2 GiB", &n));
    EXPECT_EQ(n, 2147483648u);
    EXPECT_TRUE(ParseByteSize("1440kib", &n));
    EXPECT_EQ(n, 1474560u);
    for (const char* bad : {"", "MB", "1.2.3 MB", "12 parsecs", "-5", "1e3"}) EXPECT_FALSE(ParseByteSize(bad, &n)) << bad;
}

TEST(SourceFiles, GlobsMatchInNameOrderBelowTheFixedFolder) {
    TempDir dir;
    for (const char* f : {"app/b.exe", "app/a.exe", "app/readme.txt", "app/.hidden.exe", "app/lib/x.dll",
                          "app/lib/deep/y.dll", "app/.git/z.dll"}) {
        fs::create_directories((dir.path() / f).parent_path());
        WriteFileBytes(dir.file(f), {'x'});
    }
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/*.exe")), (std::vector<std::string>{"a.exe", "b.exe"}));
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/**/*.dll")),
              (std::vector<std::string>{"lib/deep/y.dll", "lib/x.dll"}));
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/**")),
              (std::vector<std::string>{"a.exe", "b.exe", "lib/deep/y.dll", "lib/x.dll", "readme.txt"}));
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/.h*")), (std::vector<std::string>{".hidden.exe"}));
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/l?b/[xy].dll")), (std::vector<std::string>{"lib/x.dll"}));
    // A plain path is one file or nothing; folders never match.
    EXPECT_EQ(Relative(FindSourceFiles(dir.path().string(), "app/lib/x.dll")), (std::vector<std::string>{"x.dll"}));
    EXPECT_TRUE(FindSourceFiles(dir.path().string(), "app/lib").empty());
    EXPECT_TRUE(FindSourceFiles(dir.path().string(), "nowhere/*").empty());

    SourceMatch deep{"", "lib/deep/y.dll"};
    EXPECT_EQ(TargetPathFor("{OurProgramDir}", deep, true), "{OurProgramDir}\\lib\\deep\\y.dll");
    EXPECT_EQ(TargetPathFor("{OurProgramDir}\\", deep, true), "{OurProgramDir}\\lib\\deep\\y.dll");
    EXPECT_EQ(TargetPathFor("{WinSysDir}\\z.dll", deep, false), "{WinSysDir}\\z.dll");
}

TEST(AnsiText, Utf8ToTheInstallersCodePage) {
    std::string out, bad;
    EXPECT_EQ(Utf8ToWindows1252("plain \xC3\xA9\xC3\xBF \xE2\x82\xAC\xC5\xB8\xE2\x84\xA2", &out, &bad), AnsiResult::Converted);
    EXPECT_EQ(out, "plain \xE9\xFF \x80\x9F\x99");
    // U+0081 is a control character 1252 has no byte for; CJK is far outside.
    EXPECT_EQ(Utf8ToWindows1252("a\xC2\x81", &out, &bad), AnsiResult::Unrepresentable);
    EXPECT_EQ(bad, "U+0081");
    EXPECT_EQ(Utf8ToWindows1252("\xE4\xB8\xAD", &out, &bad), AnsiResult::Unrepresentable);
    EXPECT_EQ(bad, "U+4E2D");
    for (const char* broken : {"\xE9t\xE9", "\xC3", "\xE2\x82", "\xFF"})
        EXPECT_EQ(Utf8ToWindows1252(broken, &out, &bad), AnsiResult::NotUtf8) << broken;
}
