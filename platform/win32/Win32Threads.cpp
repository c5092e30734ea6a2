// Threads on Windows; signals are semaphores.
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

ThreadHandle PlatformStartJoinableThread(ThreadProcedure procedure, void* parameter) {
    Start* start = new Start{procedure, parameter};
    HANDLE thread = CreateThread(nullptr, 0, Run, start, 0, nullptr);
    if (!thread) delete start;
    return thread;
}

bool PlatformStartThread(ThreadProcedure procedure, void* parameter) {
    HANDLE thread = PlatformStartJoinableThread(procedure, parameter);
    if (thread) CloseHandle(thread);  // the thread runs on its own
    return thread != nullptr;
}

void PlatformJoinThread(ThreadHandle thread) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

SignalHandle PlatformCreateSignal() { return CreateSemaphoreA(nullptr, 0, 0x7FFFFFFF, nullptr); }
void PlatformRaiseSignal(SignalHandle signal) { ReleaseSemaphore(signal, 1, nullptr); }
void PlatformWaitSignal(SignalHandle signal) { WaitForSingleObject(signal, INFINITE); }
void PlatformCloseSignal(SignalHandle signal) { CloseHandle(signal); }
