// What the command line asks of a run: how quiet it is, the choices it makes in the user's
// place, and where its account goes. Without switches every field keeps its start value and
// the run is the interactive one. In a quiet run the process's exit code tells the outcome.
#pragma once
#include "state/Types.h"

enum class Quietness : u8 {
    Interactive,
    Silent,      // /SILENT: no background, wizard or message boxes; the progress dialog shows
    VerySilent,  // /VERYSILENT or /S: nothing at all
};

// The exit codes of a quiet run, as deployment tools read them.
enum : int {
    ExitSuccess = 0,
    ExitRestartNeeded = 3010,  // installed; files wait for the next restart
    ExitRefused = 1602,        // not installed: a missing or wrong password, a refused switch, a cancel
    ExitFailed = 1603,         // a damaged or missing volume, a file that could not be written
    ExitMalformed = 1639,      // the command line could not be read
};

struct RunOptions {
    Quietness quiet;
    bool noRestart;
    bool step2;   // the Uninstaller's temporary copy
    bool gaveUp;  // a question was answered by giving up (a volume or a read), so a cancel is a failure
    // Switch values, or null when not given.
    const char* dir;
    const char* group;
    const char* password;
    const char* log;
    int exitCode;  // the process's exit code when its window closes
};

// Zero-initialised: the Stub runs no global constructors.
extern RunOptions g_run;

inline bool QuietRun() { return g_run.quiet != Quietness::Interactive; }
