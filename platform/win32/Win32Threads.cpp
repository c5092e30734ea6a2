// Threads on Windows.
#include <windows.h>

#include "platform/Threads.h"

namespace {
struct Start {
    ThreadProcedure procedure;
    void* parameter;
};

DWORD WINAPI Run(void* start) {
    Start s = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    return s.procedure(s.parameter);
}
}  // namespace

bool PlatformStartThread(ThreadProcedure procedure, void* parameter) {
    Start* start = new Start{procedure, parameter};
    HANDLE thread = CreateThread(nullptr, 0, Run, start, 0, nullptr);
    if (!thread) {
        delete start;
        return false;
    }
    CloseHandle(thread);  // the thread runs on its own
    return true;
}
