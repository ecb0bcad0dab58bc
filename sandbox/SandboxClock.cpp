#include "SandboxClock.h"

namespace kh::sandbox {

SandboxClock::SandboxClock() : start(std::chrono::steady_clock::now()) {}

int64_t SandboxClock::NowMs() const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    return elapsed.count() + skippedMs;
}

void SandboxClock::Advance(int64_t ms)
{
    if (ms <= 0)
        return;
    std::lock_guard<std::mutex> lock(mutex);
    skippedMs += ms;
}

void SandboxClock::Restart()
{
    std::lock_guard<std::mutex> lock(mutex);
    start = std::chrono::steady_clock::now();
    skippedMs = 0;
}

} // namespace kh::sandbox
