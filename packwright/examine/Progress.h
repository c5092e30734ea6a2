// A one-line progress display on stderr, shown only when stderr is a terminal.
#pragma once
#include <chrono>
#include <string>

#include "state/Types.h"

class ProgressLine {
public:
    explicit ProgressLine(std::string verb);
    ~ProgressLine();  // clears the line
    void Update(u64 done, u64 total);

private:
    std::string verb_;
    bool enabled_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};
