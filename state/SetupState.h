// The one process-wide record that the Package header fills and the run modes read.
#pragma once
#include <atomic>

#include "state/RunMode.h"
#include "state/Types.h"

struct SetupState {
    RunMode Mode = RunMode::Install;

    // Strings owned by the state for the life of the process; null means "not set".
    char* ProductTitle = nullptr;
    char* FooterText = nullptr;
    char* UninstallName = nullptr;
    char* ProgramDir = nullptr;
    char* ShortcutFolder = nullptr;
    char* LicenceText = nullptr;

    u32 PasswordChecksum = 0;  // 0: no password
    u32 SizeTable[7] = {};
    u32 TotalBlocks = 0;
    bool ProgramDirFixed = false;

    int LastPage = 0;
    char RunAfterCommand[260] = {};
    void* PromptOwner = nullptr;      // the window that owns the package reader's prompts
    void* InstallLogHandle = nullptr;  // the open InstallLog, or none

    // Set on one thread and read on another (the progress dialog's and the worker's).
    std::atomic<bool> Cancelled{false};
    std::atomic<bool> Corrupted{false};
    bool OverwriteConfirmed = false;
    bool ReplaceAll = false;
    bool InstallOk = true;
    bool RebootNeeded = false;
    bool FinalizeNeeded = false;
};

extern SetupState g_setup;

// Copies text into storage of its own, exactly as long as the text and its NUL.
char* CopyString(const char* text, u32 length);
char* CopyString(const char* text);

// Frees the owned strings and returns every field, and the run's options, to its start
// value (tests, tools).
void ResetSetupState();
