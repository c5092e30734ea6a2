#include "packwright/cli/Progress.h"

#include <fmt/format.h>

Progress::Progress(std::FILE* out, bool terminal, std::string verb, Unit unit, std::chrono::milliseconds delay)
    : out_(out), terminal_(terminal), verb_(std::move(verb)), unit_(unit), start_(std::chrono::steady_clock::now()),
      delay_(delay) {}

Progress::~Progress() { Finish(); }

std::string HumanBytes(u64 bytes) {
    if (bytes < 1024) return fmt::format("{} B", bytes);
    if (bytes < 1024 * 1024) return fmt::format("{:.1f} KiB", bytes / 1024.0);
    if (bytes < 1024ull * 1024 * 1024) return fmt::format("{:.1f} MiB", bytes / 1048576.0);
    return fmt::format("{:.2f} GiB", bytes / 1073741824.0);
}

// "1.2 MiB of 3.4 MiB", "12 of 830 blocks"
std::string Progress::Amounts(u64 done) const {
    if (unit_ == Unit::Bytes) return HumanBytes(done) + " of " + HumanBytes(total_);
    return fmt::format("{} of {} blocks", done, total_);
}

void Progress::Update(u64 done, u64 total) {
    done_ = done;
    total_ = std::max(total, done);
    if (!out_ || finished_) return;
    auto now = std::chrono::steady_clock::now();
    if (now - start_ < delay_) return;
    if (terminal_) {
        if (shown_ && now - lastDraw_ < std::chrono::milliseconds(100)) return;
        lastDraw_ = now;
        Draw(false);
        return;
    }
    int tenth = total_ ? static_cast<int>(done_ * 10 / total_) : 10;
    if (tenth == lastTenth_) return;
    // A log that starts once the work has shown itself to be long still reads from 0%: the
    // tenths passed before are written out first.
    for (int t = lastTenth_ + 1; t < tenth; ++t) Line(t * 10, total_ * t / 10);
    lastTenth_ = tenth;
    Draw(false);
}

void Progress::Line(int percent, u64 done) {
    fmt::print(out_, "packwright: {} {:3}% ({})\n", verb_, percent, Amounts(done));
    std::fflush(out_);
}

void Progress::Draw(bool final) {
    shown_ = true;
    int percent = total_ ? static_cast<int>(done_ * 100 / total_) : 100;
    if (!terminal_) {
        Line(percent, done_);
        return;
    }
    constexpr int Width = 30;
    int filled = percent * Width / 100;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double rate = seconds > 0 ? done_ / seconds : 0;
    fmt::print(out_, "\r{} [{}{}] {:3}%  {}", verb_, std::string(filled, '#'), std::string(Width - filled, '.'),
               percent, Amounts(done_));
    if (unit_ == Unit::Bytes) fmt::print(out_, "  {}/s", HumanBytes(static_cast<u64>(rate)));
    fmt::print(out_, " \x1b[K");
    if (final) fmt::print(out_, "\n");
    std::fflush(out_);
}

void Progress::Finish() {
    if (finished_) return;
    finished_ = true;
    if (!out_ || !shown_) return;
    if (terminal_) Draw(true);
    else if (lastTenth_ != 10) Draw(false);
}
