// The event lines the test build of the Stub appends to PACKWRIGHT_TEST_TRACE.
#pragma once
#include <filesystem>
#include <string>
#include <vector>

namespace e2e {

struct TraceEvent {
    unsigned long process = 0;
    unsigned long tick = 0;
    std::string event;
    std::string value;
};

std::vector<TraceEvent> ReadTrace(const std::filesystem::path& path);
// The processes in the order of their first event.
std::vector<unsigned long> TracedProcesses(const std::vector<TraceEvent>& trace);
// One process's events as "event value" strings, in order.
std::vector<std::string> EventsOf(const std::vector<TraceEvent>& trace, unsigned long process);
// The first event of that name in one process; null when there is none.
const TraceEvent* FindEvent(const std::vector<TraceEvent>& trace, unsigned long process, const std::string& event);

}  // namespace e2e
