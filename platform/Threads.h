// Threads of their own for long work behind a dialog, and the few means they have to hand
// work to each other.
#pragma once
#include "platform/Handles.h"

using ThreadProcedure = u32 (*)(void* parameter);
// Starts procedure(parameter) on a new thread, which runs on its own; false when it
// cannot be started.
bool PlatformStartThread(ThreadProcedure procedure, void* parameter);

using ThreadHandle = void*;
// Starts procedure(parameter) on a new thread that is later waited for with
// PlatformJoinThread; null when it cannot be started.
ThreadHandle PlatformStartJoinableThread(ThreadProcedure procedure, void* parameter);
// Waits until the thread has returned, and lets go of its handle.
void PlatformJoinThread(ThreadHandle thread);

using SignalHandle = void*;
// A counting signal between threads: each raise lets exactly one wait return, whether the
// wait comes before or after it. Raising and waiting order memory like a lock does: what
// one thread wrote before it raised, the thread whose wait returns sees. Null on failure.
SignalHandle PlatformCreateSignal();
void PlatformRaiseSignal(SignalHandle signal);
void PlatformWaitSignal(SignalHandle signal);
void PlatformCloseSignal(SignalHandle signal);
