// The thread behind the progress dialog that does the whole installation, in a fixed
// order: the companion programs, the files, the shortcuts, the registry entries, and the
// command to run afterwards. It alone reads the Package and writes while it runs; helper
// threads may only decode the blocks it has read (see BlockDecoders.h).
#pragma once
#include "state/Types.h"

// Private message the progress dialog posts to itself once it is up: start the worker.
constexpr unsigned StartWorkerMessage = 0x0400 + 80;

// The thread procedure; its parameter is the progress dialog, which it ends when done.
u32 InstallWorker(void* dialog);
