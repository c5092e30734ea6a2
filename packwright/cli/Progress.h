// Progress of long work on stderr: a bar redrawn in place on a terminal, a plain line every
// tenth otherwise (logs of CI jobs). Quick work shows nothing: output starts only once the
// work has taken longer than a moment, and a log then still begins at 0%.
#pragma once
#include <chrono>
#include <cstdio>
#include <string>

#include "state/Types.h"

class Progress {
public:
    enum class Unit { Bytes, Blocks };
    // verb: "encoding", "verifying" ...; out null: silent.
    Progress(std::FILE* out, bool terminal, std::string verb, Unit unit = Unit::Bytes,
             std::chrono::milliseconds delay = std::chrono::milliseconds(700));
    ~Progress();
    // Where the work stands: done of total units.
    void Update(u64 done, u64 total);
    // Draws the final state (if anything was shown) and ends the bar's line.
    void Finish();

private:
    void Draw(bool final);
    void Line(int percent, u64 done);
    std::string Amounts(u64 done) const;

    std::FILE* out_;
    bool terminal_;
    std::string verb_;
    Unit unit_;
    u64 total_ = 0;
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
