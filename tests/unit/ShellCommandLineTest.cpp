// The command-line tail, the "/step2" switch and the temporary copy's path and command line.
#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>

#include "shell/CommandLine.h"

TEST(ShellCommandLine, TailSkipsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_STREQ(CommandLineTail("SETUP.EXE /step2"), "/step2");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE \t  /step2  "), "/step2  ");  // trailing blanks stay
    EXPECT_STREQ(CommandLineTail("\"C:\\My Files\\SETUP.EXE\" /step2"), "/step2");
    EXPECT_STREQ(CommandLineTail("\"C:\\A B\\SETUP.EXE\"/x"), "/x");  // the name ends at its quote
    EXPECT_STREQ(CommandLineTail("\"C:\\unterminated"), "");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE"), "");
    EXPECT_STREQ(CommandLineTail(""), "");
    EXPECT_STREQ(CommandLineTail("SETUP.EXE\x01rest"), "\x01rest");  // a control character ends the name
}

TEST(ShellCommandLine, Step2SwitchIgnoresCaseButNotBlanks) {
    EXPECT_TRUE(IsStep2Switch("/step2"));
    EXPECT_TRUE(IsStep2Switch("/STEP2"));
    EXPECT_TRUE(IsStep2Switch("/StEp2"));
    EXPECT_FALSE(IsStep2Switch("/step2 "));
    EXPECT_FALSE(IsStep2Switch(" /step2"));
    EXPECT_FALSE(IsStep2Switch("/step"));
    EXPECT_FALSE(IsStep2Switch("/step22"));
    EXPECT_FALSE(IsStep2Switch(""));
}

TEST(ShellCommandLine, CopyPathHasExactlyOneBackslashBeforeTheName) {
    char out[256];
    ASSERT_TRUE(TemporaryCopyPath("C:\\Program Files\\App\\UNINST.EXE", "C:\\TEMP\\", out, sizeof out));
    EXPECT_STREQ(out, "C:\\TEMP\\UNINST.EXE");
    ASSERT_TRUE(TemporaryCopyPath("C:\\Program Files\\App\\UNINST.EXE", "C:\\TEMP", out, sizeof out));
    EXPECT_STREQ(out, "C:\\TEMP\\UNINST.EXE");
    ASSERT_TRUE(TemporaryCopyPath("UNINST.EXE", "C:\\TEMP\\", out, sizeof out));
    EXPECT_STREQ(out, "C:\\TEMP\\UNINST.EXE");
}

TEST(ShellCommandLine, CopyPathAndCommandLineRefuseToOverflow) {
    std::string longDirectory = "C:\\" + std::string(240, 'd') + "\\";
    char out[256];
    EXPECT_FALSE(TemporaryCopyPath("C:\\App\\A-LONG-NAME.EXE", longDirectory.c_str(), out, sizeof out));
    // Exactly filling the buffer (255 characters and the NUL) still works.
    std::string directory = "C:\\" + std::string(255 - 3 - 6, 'd');
    ASSERT_TRUE(TemporaryCopyPath("C:\\X\\U.EXE", directory.c_str(), out, sizeof out));
    EXPECT_EQ(std::string(out).size(), 255u);

    char line[24];
    EXPECT_FALSE(Step2CommandLine("C:\\TEMP\\UNINST.EXE", line, 20));
    ASSERT_TRUE(Step2CommandLine("C:\\T\\U.EXE", line, sizeof line));
    EXPECT_STREQ(line, "\"C:\\T\\U.EXE\" /step2");
}

TEST(ShellCommandLine, QuietCopyCarriesTheSwitch) {
    char line[64];
    ASSERT_TRUE(Step2CommandLine("C:\\T\\U.EXE", line, sizeof line, true));
    EXPECT_STREQ(line, "\"C:\\T\\U.EXE\" /step2 /S");
    EXPECT_FALSE(Step2CommandLine("C:\\T\\U.EXE", line, 22, true));  // the interactive line fits, " /S" not
}

namespace {
// The switches of a tail, or nothing when it is refused. The values point into the tail,
// which is kept for the rest of the tests.
std::optional<RunOptions> Parse(const std::string& text) {
    static std::deque<std::string> tails;
    std::string& tail = tails.emplace_back(text);
    RunOptions options = {};
    if (!ParseSwitches(tail.data(), &options)) return std::nullopt;
    return options;
}
std::string Text(const char* value) { return value ? value : "<none>"; }
}  // namespace

TEST(ShellCommandLine, SwitchValuesRunToTheNextSwitchOrTheirQuoteAndDTakesTheRest) {
    std::string tail = "/verysilent  /DIR=C:\\Deploy Test\\App   /Group=\"Tools /Extra\" /password=open sesame "
                       "/LOG=C:\\my logs\\run.txt /NoRestart";
    std::optional<RunOptions> o = Parse(tail);
    ASSERT_TRUE(o);
    EXPECT_EQ(o->quiet, Quietness::VerySilent);
    EXPECT_EQ(Text(o->dir), "C:\\Deploy Test\\App");
    EXPECT_EQ(Text(o->group), "Tools /Extra");
    EXPECT_EQ(Text(o->password), "open sesame");
    EXPECT_EQ(Text(o->log), "C:\\my logs\\run.txt");
    EXPECT_TRUE(o->noRestart);
    EXPECT_FALSE(o->step2);

    o = Parse("/SILENT /D=C:\\Odd /Name  ");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->quiet, Quietness::Silent);
    EXPECT_EQ(Text(o->dir), "C:\\Odd /Name");

    o = Parse("/step2 /S");
    ASSERT_TRUE(o);
    EXPECT_TRUE(o->step2);
    EXPECT_EQ(o->quiet, Quietness::VerySilent);
    o = Parse("/step2 ");  // the interactive copy's switch with a blank: no quiet run
    ASSERT_TRUE(o);
    EXPECT_EQ(o->quiet, Quietness::Interactive);
    o = Parse("   ");
    ASSERT_TRUE(o);
    EXPECT_EQ(o->quiet, Quietness::Interactive);
    EXPECT_EQ(o->dir, nullptr);
}

TEST(ShellCommandLine, UnknownRepeatedEmptyOrUnclosedSwitchesAreRefused) {
    for (const char* tail : {"/QUIET", "/S /SILENT", "/VERYSILENT /S", "/DIR=a /D=b", "/LOG=a /LOG=b", "/DIR=",
                             "/DIR=  /S", "/GROUP=\"open", "/DIR=\"C:\\a\" b", "setup", "/S extra", "/S=1", "/SILENT/S"})
        EXPECT_FALSE(Parse(tail)) << tail;
}
