// Shared pieces of the suites that run the Stub: a folder per test, the trace of the test
// build, and the user's temporary folder inside the prefix.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/Trace.h"
#include "support/TestInstallers.h"
#include "support/WineSession.h"

namespace e2e {

// Long enough for a first start under a slow emulator; a hung program still fails the test.
inline const Milliseconds ProgramTimeout(90000);

class StubTest : public ::testing::Test {
protected:
    void SetUp() override;
    // C:\e2e\<test name>, emptied before and removed after the test.
    PrefixFolder& folder() { return *folder_; }
    // The environment that makes the test build trace into this test's folder.
    Environment Traced(Environment extra = {}) const;
    std::vector<TraceEvent> Trace() const;
    // Waits until `count` traced processes have reported their exit.
    bool WaitForExits(std::size_t count, Milliseconds timeout = ProgramTimeout) const;

private:
    std::unique_ptr<PrefixFolder> folder_;
};

// Runs a program under Wine while the driver carries out `commands` (answering its boxes, say);
// the program's exit code, and the program's output followed by the driver's.
RunResult RunDriven(const std::vector<std::string>& arguments, const std::vector<std::string>& commands,
                    const Environment& extra = {});

// The Windows user's temporary folder, as the Stub sees it, without a trailing backslash.
const std::string& UserTempDirectory();

}  // namespace e2e
