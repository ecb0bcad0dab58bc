#pragma once
// Synchronisation primitives with the semantics the managers were designed around: manual- and
// auto-reset events, a recursive critical section, a counting semaphore, detached worker threads
// and a wrapping 32-bit millisecond tick counter. Every manager and the HTTP host cache use them.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace kh {

// Wait time meaning "no time limit".
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

class Event final
{
public:
    explicit Event(bool manualReset, bool initialState = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    bool Set();
    bool Reset();
    // Waits until signalled or until ms have passed; true when signalled. Wait(0) is the busy test.
    // An auto-reset event is cleared by the wait that sees it signalled.
    bool Wait(uint32_t ms);
    bool IsSet() { return Wait(0); }
    // Whether the event is signalled, without taking the signal of an auto-reset event: for a
    // reader that only looks (an HTTP request checking whether its manager was told to stop).
    bool Signalled() const;

private:
    mutable std::mutex mutex;
    std::condition_variable cond;
    const bool manualReset;
    bool signalled;
};

// Recursive lock: the thread that holds it may take it again.
class CriticalSection final
{
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    bool Lock()
    {
        mutex.lock();
        return true;
    }
    bool TryLock() { return mutex.try_lock(); }
    bool Unlock()
    {
        mutex.unlock();
        return true;
    }
    // Standard Lockable names, so std::lock_guard and std::scoped_lock work too.
    void lock() { mutex.lock(); }
    bool try_lock() { return mutex.try_lock(); }
    void unlock() { mutex.unlock(); }

private:
    std::recursive_mutex mutex;
};

class Semaphore final
{
public:
    Semaphore(long initialCount, long maximumCount);
    Semaphore(const Semaphore&) = delete;
    Semaphore& operator=(const Semaphore&) = delete;

    // Takes one unit, waiting at most ms; true when taken.
    bool Wait(uint32_t ms);
    // Gives back count units; false (nothing changed) when that would pass the maximum.
    bool Release(long count = 1);
    long Count();

private:
    std::mutex mutex;
    std::condition_variable cond;
    long count;
    const long maximum;
};

// Counts the threads that still use an object, so that its owner can wait for the last of them
// before the object goes away. A thread is added before it is started and marks itself done as its
// very last touch of the object. Once closed, no thread is added any more. Managers use one for
// their workers and SMS pollers.
class ThreadTracker final
{
public:
    ThreadTracker() = default;
    ThreadTracker(const ThreadTracker&) = delete;
    ThreadTracker& operator=(const ThreadTracker&) = delete;

    // Counts one more thread; false (nothing counted) once closed.
    bool Add();
    // The thread's last step: nothing of the tracker's owner may be touched after it.
    void Done();
    // Refuses every later Add.
    void Close();
    // Waits without time limit until every added thread is done.
    void WaitAll();
    // The same with a time limit in milliseconds; false when threads were still running at its end.
    bool WaitAllFor(uint32_t timeoutMs);
    long Count();

private:
    std::mutex mutex;
    std::condition_variable cond;
    long count = 0;
    bool closed = false;
};

// Starts a detached thread running job. False when the thread could not be created.
bool StartThread(std::function<void()> job);

// Milliseconds since an arbitrary start, wrapping at 2^32 like the system tick counter.
uint32_t TickCount();

// Milliseconds from `since` to now, correct across one wrap of the counter.
inline uint32_t TicksSince(uint32_t since)
{
    return TickCount() - since;
}

} // namespace kh
