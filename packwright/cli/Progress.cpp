#include "packwright/builder/Progress.h"

#include <fmt/format.h>

Progress::Progress(std::FILE* out, bool terminal, u64 total, std::chrono::milliseconds delay)
    : out_(out), terminal_(terminal), total_(total), start_(std::chrono::steady_clock::now()), delay_(delay) {}

Progress::~Progress() { Finish(); }

std::string HumanBytes(u64 bytes) {
    if (bytes < 1024) return fmt::format("{} B", bytes);
    if (bytes < 1024 * 1024) return fmt::format("{:.1f} KiB", bytes / 1024.0);
    if (bytes < 1024ull * 1024 * 1024) return fmt::format("{:.1f} MiB", bytes / 1048576.0);
    return fmt::format("{:.2f} GiB", bytes / 1073741824.0);
}

void Progress::Advance(u64 amount) {
    done_ += amount;
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
    if (tenth != lastTenth_) {
        lastTenth_ = tenth;
        Draw(false);
    }
}

void Progress::Draw(bool final) {
    shown_ = true;
    int percent = total_ ? static_cast<int>(done_ * 100 / total_) : 100;
    if (!terminal_) {
        fmt::print(out_, "packwright: encoding {:3}% ({} of {})\n", percent, HumanBytes(done_), HumanBytes(total_));
        std::fflush(out_);
        return;
    }
    constexpr int Width = 30;
    int filled = percent * Width / 100;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    double rate = seconds > 0 ? done_ / seconds : 0;
    fmt::print(out_, "\rencoding [{}{}] {:3}%  {} of {}  {}/s \x1b[K", std::string(filled, '#'),
               std::string(Width - filled, '.'), percent, HumanBytes(done_), HumanBytes(total_),
               HumanBytes(static_cast<u64>(rate)));
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
