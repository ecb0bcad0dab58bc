// Events, the recursive critical section, the counting semaphore and worker threads.

#include "platform/Sync.h"

#include "support/WaitUntil.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::WaitUntil;

TEST(SyncEvent, ManualResetStaysSignalledUntilReset)
{
    Event event(true);
    EXPECT_FALSE(event.Wait(0));
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.Wait(0));
    EXPECT_TRUE(event.IsSet());
    event.Reset();
    EXPECT_FALSE(event.Wait(0));

    Event initiallySet(true, true);
    EXPECT_TRUE(initiallySet.Wait(0));
}

TEST(SyncEvent, AutoResetIsConsumedByTheWaitThatSeesIt)
{
    Event event(false);
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));

    // Two Sets without a wait between them release one wait only.
    event.Set();
    event.Set();
    EXPECT_TRUE(event.Wait(0));
    EXPECT_FALSE(event.Wait(0));
}

TEST(SyncEvent, WaitTimesOutOrWakesWhenSetFromAnotherThread)
{
    Event event(true);
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.Wait(50));
    // The wait did wait (a loose lower bound, not a timing goal).
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));

    std::atomic<bool> woke{false};
    std::thread waiter([&] { woke = event.Wait(kInfinite); });
    event.Set();
    waiter.join();
    EXPECT_TRUE(woke);
}

TEST(SyncSemaphore, CountsUnitsUpToItsMaximum)
{
    Semaphore semaphore(2, 3);
    EXPECT_TRUE(semaphore.Wait(0));
    EXPECT_TRUE(semaphore.Wait(0));
    EXPECT_FALSE(semaphore.Wait(0));
    EXPECT_EQ(semaphore.Count(), 0);

    EXPECT_TRUE(semaphore.Release(3));
    EXPECT_EQ(semaphore.Count(), 3);
    EXPECT_FALSE(semaphore.Release(1)); // past the maximum: nothing changes
    EXPECT_FALSE(semaphore.Release(0));
    EXPECT_EQ(semaphore.Count(), 3);
}

TEST(SyncSemaphore, ReleaseWakesAWaiter)
{
    Semaphore semaphore(0, 100);
    std::atomic<bool> taken{false};
    std::thread waiter([&] { taken = semaphore.Wait(10000); });
    ASSERT_TRUE(semaphore.Release());
    waiter.join();
    EXPECT_TRUE(taken);
    EXPECT_EQ(semaphore.Count(), 0);
}

TEST(SyncCriticalSection, HolderMayReenterOthersWaitForTheLastUnlock)
{
    CriticalSection section;
    ASSERT_TRUE(section.Lock());
    ASSERT_TRUE(section.Lock());

    auto otherThreadGetsIt = [&] {
        bool got = false;
        std::thread other([&] {
            got = section.TryLock();
            if (got)
                section.Unlock();
        });
        other.join();
        return got;
    };

    EXPECT_FALSE(otherThreadGetsIt());
    section.Unlock();
    EXPECT_FALSE(otherThreadGetsIt());
    section.Unlock();
    EXPECT_TRUE(otherThreadGetsIt());
}

TEST(SyncThreads, StartThreadRunsTheJobDetached)
{
    // The job owns what it touches: the test may be gone from this frame when the thread ends.
    auto ran = std::make_shared<Event>(true);
    ASSERT_TRUE(StartThread([ran] { ran->Set(); }));
    EXPECT_TRUE(ran->Wait(10000));
}

// The owner waits for the last counted thread and may destroy the tracker the moment WaitAll
// returns (the sanitizer builds catch a thread still inside Done).
TEST(SyncThreadTracker, WaitAllReturnsAfterTheLastThreadIsDone)
{
    auto tracker = std::make_unique<ThreadTracker>();
    auto gates = std::make_shared<std::vector<std::unique_ptr<Event>>>();
    constexpr int kThreads = 3;
    for (int i = 0; i < kThreads; ++i)
        gates->push_back(std::make_unique<Event>(true));
    for (int i = 0; i < kThreads; ++i) {
        ASSERT_TRUE(tracker->Add());
        ThreadTracker* counted = tracker.get();
        ASSERT_TRUE(StartThread([counted, gates, i] {
            (*gates)[static_cast<size_t>(i)]->Wait(kInfinite);
            counted->Done();
        }));
    }
    EXPECT_EQ(tracker->Count(), kThreads);

    std::atomic<bool> returned{false};
    std::thread waiter([&] {
        tracker->WaitAll();
        returned = true;
    });
    (*gates)[0]->Set();
    (*gates)[1]->Set();
    ASSERT_TRUE(WaitUntil([&] { return tracker->Count() == 1; }));
    EXPECT_FALSE(returned.load());
    (*gates)[2]->Set();
    waiter.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(tracker->Count(), 0);
    tracker.reset();
}

TEST(SyncThreadTracker, ClosedTrackerCountsNoMoreThreads)
{
    ThreadTracker tracker;
    tracker.WaitAll(); // nothing counted: returns at once
    ASSERT_TRUE(tracker.Add());
    tracker.Close();
    EXPECT_FALSE(tracker.Add());
    EXPECT_EQ(tracker.Count(), 1);
    tracker.Done();
    tracker.WaitAll();
    EXPECT_EQ(tracker.Count(), 0);
}

TEST(SyncTicks, TickCountAdvancesAndTicksSinceWraps)
{
    uint32_t start = TickCount();
    ASSERT_TRUE(WaitUntil([&] { return TicksSince(start) >= 5; }));
    // A start just "before" the counter wrapped still gives the small distance.
    EXPECT_LT(TicksSince(TickCount() - 7u) - 7u, 1000u);
}

} // namespace
} // namespace kh
