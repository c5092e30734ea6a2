#include "support/StubRun.h"

#include <sstream>
#include <stdexcept>

namespace e2e {

void StubTest::SetUp() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::make_unique<PrefixFolder>(std::string(test->test_suite_name()) + "." + test->name());
}

Environment StubTest::Traced(Environment extra) const {
    extra["PACKWRIGHT_TEST_TRACE"] = folder_->windowsFile("trace.txt");
    return extra;
}

std::vector<TraceEvent> StubTest::Trace() const { return ReadTrace(folder_->hostFile("trace.txt")); }

bool StubTest::WaitForExits(std::size_t count, Milliseconds timeout) const {
    return WaitUntil(timeout, [&] {
        std::size_t exits = 0;
        for (const TraceEvent& event : Trace())
            if (event.event == "exit") ++exits;
        return exits >= count;
    });
}

RunResult RunDriven(const std::vector<std::string>& arguments, const std::vector<std::string>& commands,
                    const Environment& extra) {
    WineProcess program(arguments, extra);
    RunResult driven = Drive(commands, ProgramTimeout);
    RunResult result;
    result.exitCode = program.Wait(ProgramTimeout);
    program.Kill();
    result.output = program.Output() + driven.output;
    return result;
}

const std::string& UserTempDirectory() {
    static const std::string directory = [] {
        RunResult result = RunWine({"cmd", "/c", "echo", "%TEMP%"}, ProgramTimeout);
        std::string found;
        std::istringstream lines(result.output);
        std::string line;
        while (std::getline(lines, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == '\\')) line.pop_back();
            if (line.size() > 3 && line[1] == ':' && line[2] == '\\') found = line;
        }
        if (found.empty()) throw std::runtime_error("cannot find the temporary folder: " + result.output);
        return found;
    }();
    return directory;
}

}  // namespace e2e
