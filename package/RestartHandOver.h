// What an installation leaves in the registry when files in use are left to the Finalizer:
// the entry that starts it once at the next start of the system, and the run-after command
// it opens when it has put the files in place (and then deletes).
#pragma once

// Under HKEY_LOCAL_MACHINE.
constexpr char RunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr char FinalizerRunOnceValue[] = "ZelSetup_Finalize";
constexpr char RunAfterKey[] = "SOFTWARE\\Marrowfen\\Packwright\\RunAfter";
constexpr char RunAfterValue[] = "RunAfter";
