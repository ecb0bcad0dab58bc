#pragma once
// Waiting on a condition with a deadline, for tests that watch other threads.

#include <chrono>
#include <functional>
#include <thread>

namespace kh::test {

// Polls condition every few milliseconds until it holds (true) or the deadline passes (false).
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds deadline = std::chrono::milliseconds(10000))
{
    auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= end)
            return condition();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace kh::test
