// The driver's `walk`: starts a setup program and takes it to its end as a user would.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct WalkSettings {
    struct Fill {
        std::string page;  // the page's template caption: "Enter Password", "Select Target Directory" ...
        int control;
        std::string text;
    };
    struct Reply {
        std::string key;     // the caption, or how the text begins
        std::string button;  // the button's label without '&': "Yes", "Replace All" ...
    };
    std::vector<Fill> fills;
    std::vector<Reply> replies;  // the first that matches is used
    std::string shotsFolder;     // empty: no screenshots
    bool noWizard = false;       // a silent run: a wizard page ends the walk as a failure
};

// Runs the command line and answers everything its processes show until the last of them
// has ended; prints what it saw and the first process's exit code. Every wait gives up
// after `milliseconds` and ends the driver, naming what it waited for.
void Walk(const std::string& commandLine, DWORD milliseconds, const WalkSettings& settings);

}  // namespace driver
