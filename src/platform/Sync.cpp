#include "platform/Sync.h"

#include <chrono>
#include <system_error>
#include <thread>

namespace kh {

Event::Event(bool manualReset, bool initialState) : manualReset(manualReset), signalled(initialState) {}

bool Event::Set()
{
    // Notified under the lock: a waiter that sees the event set may destroy it (a manager whose
    // worker has ended), so nothing may touch it after the lock is released.
    std::lock_guard<std::mutex> guard(mutex);
    signalled = true;
    if (manualReset)
        cond.notify_all();
    else
        cond.notify_one();
    return true;
}

bool Event::Reset()
{
    std::lock_guard<std::mutex> guard(mutex);
    signalled = false;
    return true;
}

bool Event::Signalled() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return signalled;
}

bool Event::Wait(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    auto ready = [this] { return signalled; };
    if (ms == kInfinite)
        cond.wait(lock, ready);
    else if (!cond.wait_for(lock, std::chrono::milliseconds(ms), ready))
        return false;
    if (!manualReset)
        signalled = false;
    return true;
}

Semaphore::Semaphore(long initialCount, long maximumCount) : count(initialCount), maximum(maximumCount) {}

bool Semaphore::Wait(uint32_t ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    auto ready = [this] { return count > 0; };
    if (ms == kInfinite)
        cond.wait(lock, ready);
    else if (!cond.wait_for(lock, std::chrono::milliseconds(ms), ready))
        return false;
    --count;
    return true;
}

bool Semaphore::Release(long n)
{
    // Notified under the lock, for the same reason as Event::Set.
    std::lock_guard<std::mutex> guard(mutex);
    if (n <= 0 || count + n > maximum)
        return false;
    count += n;
    cond.notify_all();
    return true;
}

long Semaphore::Count()
{
    std::lock_guard<std::mutex> guard(mutex);
    return count;
}

bool ThreadTracker::Add()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (closed)
        return false;
    ++count;
    return true;
}

void ThreadTracker::Done()
{
    // Notified under the lock, as in Event::Set: the waiter returns only after this thread has
    // released the lock, and may then destroy the tracker and its owner.
    std::lock_guard<std::mutex> guard(mutex);
    if (--count == 0)
        cond.notify_all();
}

void ThreadTracker::Close()
{
    std::lock_guard<std::mutex> guard(mutex);
    closed = true;
}

void ThreadTracker::WaitAll()
{
    std::unique_lock<std::mutex> lock(mutex);
    cond.wait(lock, [this] { return count == 0; });
}

bool ThreadTracker::WaitAllFor(uint32_t timeoutMs)
{
    std::unique_lock<std::mutex> lock(mutex);
    return cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return count == 0; });
}

long ThreadTracker::Count()
{
    std::lock_guard<std::mutex> guard(mutex);
    return count;
}

bool StartThread(std::function<void()> job)
{
    try {
        std::thread(std::move(job)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

uint32_t TickCount()
{
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(ms);
}

} // namespace kh
