// Runs the window driver (driver.exe, beside the Stub) in the try's Wine session: a setup
// program walked to its end, with its screenshots taken on the driver's request, and
// shortcut files read.
#pragma once
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "packwright/try/ChildProcess.h"
#include "packwright/try/TryReport.h"

struct WalkPlan {
    std::string commandLine;
    std::vector<std::pair<std::string, std::string>> fills;    // (page title, text for its field 1000)
    std::vector<std::pair<std::string, std::string>> replies;  // (caption or how the text begins, button)
    std::filesystem::path screenshots;                          // empty: none
    std::string shotPrefix;                                     // "install-", "uninstall-"
    bool noWizard = false;                                      // a wizard page is a failure
};

class DriverRun {
public:
    // `handshake` is a "C:\..." folder the driver watches for the screenshots' completion.
    DriverRun(std::filesystem::path prefix, std::string handshake, Milliseconds timeout);
    Walk WalkProgram(const WalkPlan& plan) const;
    // Target, arguments and working folder of each shortcut file, in order.
    std::vector<Shortcut> ReadShortcuts(const std::vector<std::string>& paths) const;

private:
    std::filesystem::path prefix_;
    std::string handshake_;
    Milliseconds timeout_;
};
