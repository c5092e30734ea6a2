// The command-line tail, the "/step2" switch and the temporary copy's path and command line.
#include <gtest/gtest.h>

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
