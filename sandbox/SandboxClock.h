#pragma once
// The sandbox's time: milliseconds since start (or the last reset) on the monotonic clock, plus
// whatever tests have skipped ahead. Every time-dependent rule of the sandbox (SMS delays, numbers
// going offline, token expiry) reads this clock, so a test can move time on instead of waiting.

#include <chrono>
#include <cstdint>
#include <mutex>

namespace kh::sandbox {

class SandboxClock final
{
public:
    SandboxClock();
    SandboxClock(const SandboxClock&) = delete;
    SandboxClock& operator=(const SandboxClock&) = delete;

    int64_t NowMs() const;
    // Moves the clock ms milliseconds ahead (never back).
    void Advance(int64_t ms);
    // Starts again from 0 without any skipped time.
    void Restart();

private:
    mutable std::mutex mutex;
    std::chrono::steady_clock::time_point start;
    int64_t skippedMs = 0;
};

} // namespace kh::sandbox
