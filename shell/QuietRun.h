// Runs that the command line makes quiet (/SILENT, /VERYSILENT, /S): no BackgroundWindow,
// no wizard, no message box; the handler runs at once (see StartUp.cpp) and the exit code
// tells the outcome.
#pragma once

// Reads the tail's switches into the run's options; from here on a quiet run's message
// boxes are answered without being shown, and /LOG= opens the run's account. False when the
// tail cannot be read; the run must then end at once.
bool ReadSwitches(const char* tail);

// The answer a quiet run gives a message box, from its buttons alone: OK where that is all;
// Cancel to a disk or retry prompt (the run then fails rather than waits, and gaveUp is set);
// No where No is the default (a shared file no longer needed stays); Yes otherwise.
int QuietAnswer(unsigned style);

// Puts a quiet run's exit code at the end of its account, and returns it.
int QuietExit(int code);
