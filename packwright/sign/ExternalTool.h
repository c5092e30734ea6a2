// Runs the command-line programs signing relies on (osslsigncode, openssl) and collects what
// they print.
#pragma once
#include <string>
#include <vector>

struct ToolRun {
    bool found = true;  // false: the program is not installed (not on PATH)
    int status = -1;    // its exit status (-1: it did not exit normally)
    std::string output; // stdout and stderr together
};

ToolRun RunTool(const std::vector<std::string>& argv);
