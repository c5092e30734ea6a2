// How `packwright try` reads the registry's export and sorts what an installation added and
// what its removal left.
#include <gtest/gtest.h>

#include <fstream>

#include "packwright/try/AnswersFile.h"
#include "packwright/try/RegistryExport.h"
#include "packwright/try/TryError.h"
#include "packwright/try/TryReport.h"

namespace {
std::string Utf16(const std::string& utf8) {
    std::string bytes = "\xff\xfe";
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        unsigned code = static_cast<unsigned char>(utf8[i]);
        if (code >= 0xC0) {  // two-byte sequences are all the test needs
            code = (code & 0x1F) << 6 | (static_cast<unsigned char>(utf8[++i]) & 0x3F);
        }
        bytes += static_cast<char>(code & 0xFF);
        bytes += static_cast<char>(code >> 8);
    }
    return bytes;
}

SnapshotValue Value(const std::string& type, const std::string& data) { return {type, data, {}, type + "=" + data}; }
}  // namespace

TEST(RegistryExport, ReadsEveryKindOfValueWithEscapesContinuationsAndNonAsciiText) {
    std::string text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Caf\xc3\xa9]\r\n"
        "@=\"Sample \\\"1.0\\\"\"\r\n"
        "\"Dir\"=\"C:\\\\Program Files\\\\Caf\xc3\xa9\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"Bytes\"=hex:2c,00,\\\r\n  ff\r\n"
        "\"Moves\"=hex(7):41,00,00,00,00,00,42,00,00,00,00,00\r\n"
        "\"Path\"=hex(2):25,00,58,00,25,00,00,00\r\n";
    std::vector<ExportedItem> items = ReadRegistryExport(Utf16(text));
    ASSERT_EQ(items.size(), 7u);
    EXPECT_TRUE(items[0].isKey);
    EXPECT_EQ(items[0].key, "HKEY_LOCAL_MACHINE\\Software\\Caf\xc3\xa9");
    auto check = [&](std::size_t i, const char* name, const char* type, const std::string& data) {
        EXPECT_EQ(items[i].key, items[0].key);
        EXPECT_EQ(items[i].name, name);
        EXPECT_EQ(items[i].value.type, type);
        EXPECT_EQ(items[i].value.data, data) << name;
    };
    check(1, "@", "REG_SZ", "Sample \"1.0\"");
    check(2, "Dir", "REG_SZ", "C:\\Program Files\\Caf\xc3\xa9");
    check(3, "Count", "REG_DWORD", "42");
    check(4, "Bytes", "REG_BINARY", "2c 00 ff");
    // An empty string inside the list stands for a deletion's missing target.
    check(5, "Moves", "REG_MULTI_SZ", "A\n\nB");
    check(6, "Path", "REG_EXPAND_SZ", "%X%");
}

TEST(TryReport, TheUninstallersCopyAndKeptSharedFilesAreNotLeftBehindButEverythingElseIs) {
    const std::string moves = "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Session Manager";
    const std::string counts = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
    PrefixSnapshot before;
    before.folders = {"C:\\windows", "C:\\users\\me\\Temp"};
    before.values[{counts, "C:\\windows\\other.dll"}] = Value("REG_DWORD", "2");
    PrefixSnapshot after = before;
    after.files["C:\\users\\me\\Temp\\~ZS00001000\\UNINST.EXE"] = {66000, 1};
    after.files["C:\\windows\\Shared\\palette.dat"] = {1024, 2};
    after.files["C:\\App\\state.txt"] = {6, 3};
    after.folders.insert({"C:\\windows\\Shared", "C:\\App", "C:\\users\\me\\Temp\\~ZS00001000"});
    after.values[{moves, "PendingFileRenameOperations"}] = {
        "REG_MULTI_SZ", "\\??\\C:\\users\\me\\Temp\\~ZS00001000\\UNINST.EXE\n\n\\??\\C:\\users\\me\\Temp\\~ZS00001000\n", {}, "m"};
    after.values[{counts, "C:\\windows\\other.dll"}] = Value("REG_DWORD", "1");
    after.values[{"HKEY_CURRENT_USER\\Software\\App", "Theme"}] = Value("REG_SZ", "light");

    Changes remaining = CompareSnapshots(before, after);
    ASSERT_EQ(remaining.restartMoves.size(), 2u);
    EXPECT_EQ(remaining.restartMoves[0].from, "C:\\users\\me\\Temp\\~ZS00001000\\UNINST.EXE");
    EXPECT_EQ(remaining.restartMoves[0].to, "");
    ASSERT_EQ(remaining.sharedCounts.size(), 1u);
    EXPECT_EQ(remaining.sharedCounts[0].before->data, "2");

    Leftovers sorted = SortLeftovers(remaining, {"C:\\WINDOWS\\Shared\\palette.dat"});
    EXPECT_EQ(sorted.scheduledForDeletion, (std::vector<std::string>{"C:\\users\\me\\Temp\\~ZS00001000\\UNINST.EXE",
                                                                    "C:\\users\\me\\Temp\\~ZS00001000"}));
    ASSERT_EQ(sorted.keptShared.size(), 1u);
    EXPECT_EQ(sorted.keptShared[0].path, "C:\\windows\\Shared\\palette.dat");
    EXPECT_FALSE(sorted.keptShared[0].count);
    const Changes& left = sorted.leftBehind;
    ASSERT_EQ(left.files.size(), 1u);
    EXPECT_EQ(left.files[0].path, "C:\\App\\state.txt");
    EXPECT_EQ(left.folders, std::vector<std::string>{"C:\\App"});
    ASSERT_EQ(left.values.size(), 1u);
    EXPECT_EQ(left.values[0].name, "Theme");
    // Another product's count, changed by this one's removal, remains a change worth naming.
    EXPECT_EQ(left.sharedCounts.size(), 1u);
    EXPECT_TRUE(left.restartMoves.empty());
}

TEST(TryReport, TheOutcomeIsTheInstallersLastOutcomeMessageOrASilentRunsExitCode) {
    std::optional<Question> message;
    Walk walk;
    walk.questions = {{"Error!", "There was an error extracting a file.", "", "OK"},
                      {"Installation Failed!", "The installation was not successful. One of the files appears to be corrupted.", "", "OK"}};
    EXPECT_EQ(OutcomeOf(walk, false, &message), "corrupted");
    EXPECT_EQ(message->caption, "Installation Failed!");
    walk.questions = {{"Restart Windows?", "Installation complete! ...\n\nMay I restart Windows now?", "", "No"},
                      {"Success!", "Remember to restart Windows before trying to use the newly-installed program.", "", "OK"}};
    EXPECT_EQ(OutcomeOf(walk, false, &message), "success_restart_needed");
    Walk silent;
    silent.exitCode = 1602;
    EXPECT_EQ(OutcomeOf(silent, true, &message), "cancelled");
    EXPECT_EQ(OutcomeOf(silent, false, &message), "none");
}

TEST(TryAnswers, SectionsGiveButtonsByCaptionAndSharedFilesAreKeptOrDeleted) {
    const std::string path = ::testing::TempDir() + "answers.toml";
    std::ofstream(path) << "[install]\n\"Overwrite?\" = \"Yes\"\n[uninstall]\nshared_files = \"delete\"\n";
    Answers answers = ReadAnswers(path);
    EXPECT_EQ(answers.install, (std::vector<std::pair<std::string, std::string>>{{"Overwrite?", "Yes"}}));
    EXPECT_EQ(answers.uninstall, (std::vector<std::pair<std::string, std::string>>{{SharedFileQuestion, "Yes"}}));
    std::ofstream(path) << "[uninstall]\nshared_files = \"maybe\"\n";
    EXPECT_THROW(ReadAnswers(path), TryUsageError);
    std::ofstream(path) << "[instal]\n";
    EXPECT_THROW(ReadAnswers(path), TryUsageError);
}
