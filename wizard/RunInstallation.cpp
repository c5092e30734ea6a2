#include "wizard/RunInstallation.h"

#include <cstring>

#include "install/PathMacros.h"
#include "install/ProgressDialog.h"
#include "install/RunAccount.h"
#include "package/InstallLog.h"
#include "package/RestartHandOver.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/System.h"
#include "platform/Window.h"
#include "state/RunOptions.h"
#include "state/SetupState.h"
#include "wizard/SetupWizard.h"
#include "wizard/WizardRules.h"

namespace {
// Under HKEY_LOCAL_MACHINE.
const char VersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char ProgramFilesValue[] = "ProgramFilesDir";
const char FinalizerPath[] = "{OurProgramDir}\\Finalize.exe";

const char CancelledText[] =
    "You have chosen to cancel the installation. The program is only partially installed. Please re-run this "
    "installation program to complete the installation.";
const char CorruptedText[] =
    "The installation was not successful. One of the files appears to be corrupted. Please obtain a fresh copy "
    "of the installation file(s) and try again.";
const char NotWrittenText[] =
    "The installation was not successful. One or more files could not be written. Please ensure that no version "
    "of this program is already running and try the installation again.";
const char FailedCaption[] = "Installation Failed!";
const char RestartText[] =
    "Installation complete! Some files could not be updated immediately; you will need to restart Windows to "
    "finalize the installation.";
const char AskRestartText[] =
    "Installation complete! Some files could not be updated immediately; you will need to restart Windows to "
    "finalize the installation.\n\nMay I restart Windows now?";
const char RememberRestartText[] = "Remember to restart Windows before trying to use the newly-installed program.";
const char CompleteText[] = "Installation complete! You can use the program immediately.";
const char SuccessCaption[] = "Success!";

bool Present(const char* text) { return text && *text; }

RegistryKey Machine() { return PlatformRegistryRoot(RootLocalMachine); }

// a + b + c into out (PathCapacity bytes). Refused, rather than cut, when it does not fit:
// a shortened key or directory would name something else.
bool Join(char* out, const char* a, const char* b, const char* c) {
    std::size_t la = std::strlen(a), lb = std::strlen(b), lc = std::strlen(c);
    if (la + lb + lc >= PathCapacity) return false;
    std::memcpy(out, a, la);
    std::memcpy(out + la, b, lb);
    std::memcpy(out + la + lb, c, lc + 1);
    return true;
}

bool ChoicesKeyName(char* out) { return Join(out, PACKWRIGHT_REMEMBERED_CHOICES_KEY, g_setup.UninstallName, ""); }

// A string value of at most 255 characters into out (PathCapacity bytes). False when it is
// missing, longer, or empty: an empty remembered choice would take a page away.
bool ReadText(RegistryKey key, const char* name, char* out) {
    u32 type = 0;
    u32 size = PathCapacity;
    if (!PlatformQueryValue(key, name, &type, out, &size)) return false;
    if (size == PathCapacity && out[PathCapacity - 1] != 0) return false;
    out[size < PathCapacity ? size : PathCapacity - 1] = 0;
    return out[0] != 0;
}

void WriteText(RegistryKey key, const char* name, const char* text) {
    PlatformSetValue(key, name, RegString, text, static_cast<u32>(std::strlen(text)) + 1);
}

void Replace(char** field, const char* text) {
    delete[] * field;
    *field = CopyString(text);
}

// The directory and folder an earlier installation of the same product remembered. A
// Package without a directory or folder never gets one this way, and a fixed directory
// stays as the Package has it.
void ApplyRememberedChoices() {
    char keyName[PathCapacity];
    if (!Present(g_setup.UninstallName) || !ChoicesKeyName(keyName)) return;
    RegistryKey key = PlatformOpenKey(Machine(), keyName, false);
    if (!key) return;
    char value[PathCapacity];
    if (Present(g_setup.ProgramDir) && !g_setup.ProgramDirFixed && ReadText(key, RememberedPathValue, value))
        Replace(&g_setup.ProgramDir, value);
    if (Present(g_setup.ShortcutFolder) && ReadText(key, RememberedFolderValue, value)) Replace(&g_setup.ShortcutFolder, value);
    PlatformCloseKey(key);
}

// The system's program-files folder: from the registry where the system keeps it, else as
// the shell names it. `out` holds MAX_PATH (260) bytes, as the shell wants.
bool ProgramFilesFolder(char* out) {
    RegistryKey key = PlatformOpenKey(Machine(), VersionKey, false);
    bool found = key && ReadText(key, ProgramFilesValue, out);
    if (key) PlatformCloseKey(key);
    return found || PlatformSpecialFolder(FolderProgramFiles, out, PathCapacity);
}

// A bare directory name goes into the program-files folder. When that folder cannot be had,
// or the whole would not fit, the name stays bare: better a directory the user sees and can
// change than a guessed or shortened one.
void ApplyDefaultDirectory() {
    if (!Present(g_setup.ProgramDir) || std::strchr(g_setup.ProgramDir, '\\')) return;
    char base[260];
    char joined[PathCapacity];
    if (!ProgramFilesFolder(base)) return;
    std::size_t length = std::strlen(base);
    const char* separator = length && base[length - 1] == '\\' ? "" : "\\";
    if (Join(joined, base, separator, g_setup.ProgramDir)) Replace(&g_setup.ProgramDir, joined);
}

// The switches' choices win over the remembered and default ones, and are taken like the
// wizard's fields. False when one is refused: a directory where the product's is fixed or it
// has none, a start-menu folder where it has none.
bool ApplySwitchChoices() {
    if (g_run.dir) {
        if (!Present(g_setup.ProgramDir) || g_setup.ProgramDirFixed) return false;
        TakeFieldText(&g_setup.ProgramDir, g_run.dir);
    }
    if (g_run.group) {
        if (!Present(g_setup.ShortcutFolder)) return false;
        TakeFieldText(&g_setup.ShortcutFolder, g_run.group);
    }
    return true;
}

// A quiet run in the wizard's place: the licence counts as accepted, and the password must
// be the switch's. False when the run is refused.
bool QuietChoicesAccepted(bool switchesAccepted) {
    const char* refusal = nullptr;
    if (!switchesAccepted) refusal = "switch";
    else if (g_setup.PasswordChecksum && !(g_run.password && PasswordMatches(g_run.password, g_setup.PasswordChecksum)))
        refusal = "password";
    if (!refusal) return true;
    AccountLine("refused:", refusal);
    g_run.exitCode = ExitRefused;
    return false;
}

void RememberChoices() {
    char keyName[PathCapacity];
    if (!Present(g_setup.UninstallName) || !(Present(g_setup.ProgramDir) || Present(g_setup.ShortcutFolder))) return;
    if (!ChoicesKeyName(keyName)) return;
    RegistryKey key = PlatformCreateKey(Machine(), keyName);
    if (!key) return;
    if (Present(g_setup.ProgramDir)) WriteText(key, RememberedPathValue, g_setup.ProgramDir);
    if (Present(g_setup.ShortcutFolder)) WriteText(key, RememberedFolderValue, g_setup.ShortcutFolder);
    PlatformCloseKey(key);
}

void WriteMachineValue(const char* keyName, const char* name, const char* text) {
    RegistryKey key = PlatformCreateKey(Machine(), keyName);
    if (!key) return;
    WriteText(key, name, text);
    PlatformCloseKey(key);
}

// The Finalizer starts at the next restart and puts the waiting files in place, then opens
// the run-after command. Its path is quoted: unquoted, a path with blanks would let the
// system start "C:\Program.exe" in its place.
void ScheduleFinalizer(const char* finalizer, bool runAfter) {
    char quoted[PathCapacity + 2];
    std::size_t length = std::strlen(finalizer);
    quoted[0] = '"';
    std::memcpy(quoted + 1, finalizer, length);
    quoted[length + 1] = '"';
    quoted[length + 2] = 0;
    WriteMachineValue(RunOnceKey, FinalizerRunOnceValue, quoted);
    if (runAfter) WriteMachineValue(RunAfterKey, RunAfterValue, g_setup.RunAfterCommand);
}

// After a successful installation: the Finalizer scheduled or deleted, the run-after command
// handed on or opened. False when files wait for a Finalizer that does not exist (there is
// no program directory for it, or its path does not fit): then nothing is registered and
// nothing opened, since the program is not complete.
bool Complete(WindowHandle window) {
    char finalizer[PathCapacity];
    bool haveFinalizer = Present(g_setup.ProgramDir) && ExpandPathMacrosInto(FinalizerPath, finalizer);
    // A command whose expansion cannot be had is one that cannot be opened.
    // Nothing is opened for a run without a user.
    bool runAfter = !QuietRun() && g_setup.RunAfterCommand[0] && ExpandPathMacros(g_setup.RunAfterCommand);
    if (g_setup.FinalizeNeeded) {
        if (!haveFinalizer) return false;
        ScheduleFinalizer(finalizer, runAfter);
        return true;
    }
    if (haveFinalizer) PlatformDeleteFile(finalizer);
    if (runAfter) PlatformShellOpen(window, g_setup.RunAfterCommand);
    return true;
}

void TellOutcome(WindowHandle window, InstallOutcome outcome) {
    OutcomeMessage message = MessageFor(outcome);
    int answer = PlatformMessageBox(window, message.text, message.caption, message.type);
    if (outcome != InstallOutcome::AskRestart) return;
    if (answer == IdYes) {
        PlatformRestartSystem();
        return;
    }
    PlatformMessageBox(window, RememberRestartText, SuccessCaption, MbIconInformation);
}
}  // namespace

InstallOutcome ChooseOutcome(const OutcomeFlags& flags) {
    if (!flags.finished) return InstallOutcome::Cancelled;
    if (!flags.installOk) return flags.corrupted ? InstallOutcome::Corrupted : InstallOutcome::NotWritten;
    if (flags.finalizerMissing) return InstallOutcome::NotWritten;
    if (!flags.rebootNeeded) return InstallOutcome::Complete;
    return flags.nt ? InstallOutcome::CompleteRestart : InstallOutcome::AskRestart;
}

int ExitCodeFor(InstallOutcome outcome, bool gaveUp) {
    static const u16 codes[] = {ExitRefused, ExitFailed, ExitFailed, ExitSuccess, ExitRestartNeeded, ExitRestartNeeded};
    if (gaveUp && outcome == InstallOutcome::Cancelled) return ExitFailed;
    return codes[static_cast<int>(outcome)];
}

OutcomeMessage MessageFor(InstallOutcome outcome) {
    switch (outcome) {
        case InstallOutcome::Cancelled: return {CancelledText, "Cancelled!", MbIconInformation};
        case InstallOutcome::Corrupted: return {CorruptedText, FailedCaption, MbIconError};
        case InstallOutcome::NotWritten: return {NotWrittenText, FailedCaption, MbIconError};
        case InstallOutcome::CompleteRestart: return {RestartText, SuccessCaption, MbIconInformation};
        case InstallOutcome::AskRestart: return {AskRestartText, "Restart Windows?", MbIconInformation | MbYesNo};
        case InstallOutcome::Complete: break;
    }
    return {CompleteText, SuccessCaption, MbIconInformation};
}

iptr RunInstallation(InstanceHandle instance, WindowHandle window) {
    // The remembered choices and the default directory come before the wizard, whose
    // Directory and Folder pages show them; neither turns a present value into none, so
    // the set of pages does not depend on them.
    ApplyRememberedChoices();
    ApplyDefaultDirectory();
    bool switchesAccepted = ApplySwitchChoices();
    iptr wizard = QuietRun() ? QuietChoicesAccepted(switchesAccepted) : RunSetupWizard(instance, window);
    PlatformUpdateWindow(window);
    if (wizard > 0) {
        RememberChoices();
        OutcomeFlags flags = {};
        flags.finished = g_run.quiet == Quietness::VerySilent ? RunWithoutDialog() : RunProgressDialog(instance, window);
        flags.installOk = g_setup.InstallOk;
        flags.corrupted = g_setup.Corrupted;
        flags.rebootNeeded = g_setup.RebootNeeded;
        flags.nt = PlatformIsNt();
        if (flags.finished && flags.installOk) flags.finalizerMissing = !Complete(window);
        InstallOutcome outcome = ChooseOutcome(flags);
        if (g_run.noRestart && outcome == InstallOutcome::AskRestart) outcome = InstallOutcome::CompleteRestart;
        AccountLine("outcome:", MessageFor(outcome).text);
        if (QuietRun()) g_run.exitCode = ExitCodeFor(outcome, g_run.gaveUp);
        else TellOutcome(window, outcome);
    }
    PlatformPostMessage(window, MessageClose);
    return wizard;
}
