// What a try saw and found: the walks through the installer and the Uninstaller, what the
// installation added to the prefix, the commands run between, and what the removal left.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "packwright/try/PrefixSnapshot.h"

struct Question {
    std::string caption, text, path, answer;  // path: the file an overwrite question names
};

// One setup program taken to its end by the driver.
struct Walk {
    std::vector<std::string> pages;
    std::vector<Question> questions;
    std::vector<std::string> opened;       // programs it opened, "class / title", closed again
    std::vector<std::string> screenshots;  // files written, in order
    std::optional<int> exitCode;           // of the program started
    std::string failure;                   // why the walk ended early; empty when it did not
};

struct AddedFile {
    std::string path;
    SnapshotFile file;
    bool replaced = false;  // a file of that name was there before
};

struct Shortcut {
    std::string path, folder, target, arguments, workingDir;
};

struct AddedValue {
    std::string key, name;
    SnapshotValue value;
    std::optional<SnapshotValue> before;  // the value it replaced
};

struct RestartMove {
    std::string from, to;  // to empty: deleted at the restart
};

// What the prefix holds after and did not hold before (or held otherwise).
struct Changes {
    std::vector<AddedFile> files;
    std::vector<std::string> folders;
    std::vector<Shortcut> shortcuts;  // shortcut files, also listed under files
    std::vector<std::string> keys;
    std::vector<AddedValue> values;        // all but the three kinds below
    std::vector<AddedValue> sharedCounts;  // SharedDLLs: name = the file, data = the count
    std::vector<RestartMove> restartMoves;
    std::vector<AddedValue> runOnce;
    bool Empty() const;
};

Changes CompareSnapshots(const PrefixSnapshot& before, const PrefixSnapshot& after);

// What a removal left, sorted: files the Uninstaller's temporary copy scheduled for deletion
// at the restart, shared files kept as the answer or their count said (with their folders
// and counts), and the rest, which counts as left behind.
struct KeptShared {
    std::string path;
    std::optional<std::string> count;  // its SharedDLLs count now; nothing: no count left
};
struct Leftovers {
    std::vector<std::string> scheduledForDeletion;
    std::vector<KeptShared> keptShared;
    Changes leftBehind;
};

// `installedShared`: the files the installation counted in SharedDLLs.
Leftovers SortLeftovers(const Changes& remaining, const std::vector<std::string>& installedShared);

struct RunCommand {
    std::string command;
    std::optional<int> exitCode;  // nothing: timed out
};

struct TryReport {
    std::string installer;
    bool silent = false;
    Walk install;
    std::string outcome;  // "success", "success_restart_needed", "corrupted", "failed", "cancelled", "none"
    std::optional<Question> outcomeMessage;
    Changes added;
    std::vector<RunCommand> runs;
    bool uninstallRequested = true;
    std::string uninstallString;
    std::optional<Walk> uninstall;
    std::optional<Leftovers> leftovers;
    std::optional<std::string> keptPrefix;
    std::string failure;  // the reason the try failed; empty: it passed
    int exitCode = 0;
};

// The outcome of an installation from its last message, or from a silent run's exit code.
std::string OutcomeOf(const Walk& walk, bool silent, std::optional<Question>* message);

std::string ReportText(const TryReport& report);
std::string ReportJson(const TryReport& report);
