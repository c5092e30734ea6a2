#pragma once
#include <thread>

namespace e2e {
template <typename Predicate>
bool WaitUntil(Milliseconds timeout, Predicate predicate) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (predicate()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return predicate();
        std::this_thread::sleep_for(Milliseconds(100));
    }
}
}  // namespace e2e
