// `packwright try`: an installer installed, inspected and uninstalled in a fresh Wine prefix.
#pragma once
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "packwright/try/TryReport.h"

struct TryOptions {
    std::string installer;
    std::optional<std::string> keep;  // a folder for the prefix, kept afterwards
    bool headless = false;            // an X server of its own even when there is a display
    std::optional<std::string> dir, group, password;
    std::string answersFile;
    bool silent = false;
    std::string screenshots;  // empty: none
    std::vector<std::string> runs;
    bool uninstall = true;
    std::chrono::seconds timeout{120};  // for every single wait
};

// Runs the whole try and reports it; throws TryError when it cannot even start (missing
// tools, an installer that cannot be read, a password that is needed and not given).
TryReport RunTry(const TryOptions& options);
