#include "packwright/examine/Progress.h"

#include <unistd.h>

#include <cstdio>

ProgressLine::ProgressLine(std::string verb) : verb_(std::move(verb)), enabled_(::isatty(2) == 1) {}

ProgressLine::~ProgressLine() {
    if (shown_) std::fprintf(stderr, "\r\033[K");
}

void ProgressLine::Update(u64 done, u64 total) {
    if (!enabled_) return;
    auto now = std::chrono::steady_clock::now();
    // A few updates a second are enough to see movement without slowing the work.
    if (shown_ && now - last_ < std::chrono::milliseconds(100) && done != total) return;
    last_ = now;
    shown_ = true;
    if (total >= done && total > 0)
        std::fprintf(stderr, "\r%s: block %llu of %llu (%llu%%)\033[K", verb_.c_str(),
                     static_cast<unsigned long long>(done), static_cast<unsigned long long>(total),
                     static_cast<unsigned long long>(done * 100 / total));
    else
        std::fprintf(stderr, "\r%s: block %llu\033[K", verb_.c_str(), static_cast<unsigned long long>(done));
    std::fflush(stderr);
}
