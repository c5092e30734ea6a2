// An installation as the user lives it: the choices remembered from an earlier installation
// of the same product, the wizard, the installation behind the progress dialog, and its
// completion (the Finalizer scheduled or the run-after program opened, a restart offered,
// the outcome told). Runs on the main thread as the BackgroundWindow's install handler.
#pragma once
#include "platform/Handles.h"

// Ends by posting WM_CLOSE to window on every path. Returns what the wizard returned:
// greater than 0 when it was finished, 0 when cancelled, below 0 when it could not be shown
// (then nothing is installed either).
iptr RunInstallation(InstanceHandle instance, WindowHandle window);

// How an installation that went past the wizard ended, in the order the outcomes are tested.
enum class InstallOutcome {
    Cancelled,        // by the progress dialog's Cancel or a cancelled disk prompt
    Corrupted,        // failed: a block was damaged
    NotWritten,       // failed: files could not be written, or they wait for a Finalizer
                      // that was never written
    Complete,         // nothing left to do
    CompleteRestart,  // files wait for a restart the user makes when it suits (NT family)
    AskRestart,       // files wait for a restart, and the user may restart now
};

struct OutcomeFlags {
    bool finished;  // the progress dialog was not cancelled
    bool installOk;
    bool corrupted;
    bool rebootNeeded;
    bool finalizerMissing;  // the Finalizer is needed but there is none to schedule
    bool nt;
};
InstallOutcome ChooseOutcome(const OutcomeFlags& flags);

// The exit code of a quiet run that got as far as installing: a cancel is a refusal unless
// it came from a question answered by giving up (a missing volume, an unreadable block).
int ExitCodeFor(InstallOutcome outcome, bool gaveUp);

struct OutcomeMessage {
    const char* text;
    const char* caption;
    unsigned type;
};
OutcomeMessage MessageFor(InstallOutcome outcome);
