#include "support/Trace.h"

#include <algorithm>
#include <sstream>

#include "support/WineSession.h"

namespace e2e {

std::vector<TraceEvent> ReadTrace(const std::filesystem::path& path) {
    std::vector<TraceEvent> trace;
    for (const std::string& line : ReadLines(path)) {
        std::istringstream fields(line);
        TraceEvent event;
        if (!(fields >> event.process >> event.tick >> event.event)) continue;
        std::getline(fields, event.value);
        if (!event.value.empty() && event.value[0] == ' ') event.value.erase(0, 1);
        trace.push_back(event);
    }
    return trace;
}

std::vector<unsigned long> TracedProcesses(const std::vector<TraceEvent>& trace) {
    std::vector<unsigned long> processes;
    for (const TraceEvent& event : trace)
        if (std::find(processes.begin(), processes.end(), event.process) == processes.end())
            processes.push_back(event.process);
    return processes;
}

std::vector<std::string> EventsOf(const std::vector<TraceEvent>& trace, unsigned long process) {
    std::vector<std::string> events;
    for (const TraceEvent& event : trace)
        if (event.process == process) events.push_back(event.event + " " + event.value);
    return events;
}

const TraceEvent* FindEvent(const std::vector<TraceEvent>& trace, unsigned long process, const std::string& name) {
    for (const TraceEvent& event : trace)
        if (event.process == process && event.event == name) return &event;
    return nullptr;
}

}  // namespace e2e
