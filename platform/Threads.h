// A thread of its own for long work behind a dialog.
#pragma once
#include "platform/Handles.h"

using ThreadProcedure = u32 (*)(void* parameter);
// Starts procedure(parameter) on a new thread, which runs on its own; false when it
// cannot be started.
bool PlatformStartThread(ThreadProcedure procedure, void* parameter);
