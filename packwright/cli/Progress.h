// Progress of a long build on stderr: a bar redrawn in place on a terminal, a plain line
// every tenth otherwise (logs of CI jobs). Quick builds show nothing: output starts only
// once the work has taken longer than a moment.
#pragma once
#include <chrono>
#include <cstdio>
#include <string>

#include "state/Types.h"

class Progress {
public:
    Progress(std::FILE* out, bool terminal, u64 total, std::chrono::milliseconds delay = std::chrono::milliseconds(700));
    ~Progress();
    void Advance(u64 amount);
    // Draws the final state (if anything was shown) and ends the bar's line.
    void Finish();

private:
    void Draw(bool final);

    std::FILE* out_;
    bool terminal_;
    u64 total_;
    u64 done_ = 0;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::chrono::milliseconds delay_;
    bool shown_ = false;
    bool finished_ = false;
    int lastTenth_ = -1;
};

// "12.3 MiB"
std::string HumanBytes(u64 bytes);
