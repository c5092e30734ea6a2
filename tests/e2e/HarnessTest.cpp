// The harness itself: registry values read back from the prefix, and a driver wait that
// runs out ends with a failure code instead of hanging.
#include <chrono>

#include "support/StubRun.h"

using namespace e2e;

TEST(Harness, RegistryValuesAreReadBackAndMissingOnesReportedAsMissing) {
    const std::string key = "HKCU\\Software\\Packwright\\E2E";
    RunResult added = RunWine({"reg", "add", key, "/v", "Probe", "/d", "C:\\Some Path\\x", "/f"}, ProgramTimeout);
    ASSERT_EQ(added.exitCode, 0) << added.output;
    EXPECT_EQ(QueryRegistry(key, "Probe"), "C:\\Some Path\\x");
    EXPECT_EQ(QueryRegistry(key, "Absent"), std::nullopt);
    RunWine({"reg", "delete", key, "/f"}, ProgramTimeout);
    EXPECT_EQ(QueryRegistry(key, "Probe"), std::nullopt);
}

TEST(Harness, DriverWaitsEndInAFailureWhenNothingComes) {
    auto start = std::chrono::steady_clock::now();
    RunResult driven = Drive({"box", "No Such Box", "1500"}, ProgramTimeout);
    EXPECT_EQ(driven.exitCode, 2) << driven.output;
    EXPECT_NE(driven.output.find("waiting for message box No Such Box"), std::string::npos);
    EXPECT_LT(std::chrono::steady_clock::now() - start, ProgramTimeout);
}
