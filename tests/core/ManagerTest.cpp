// The common forms every background manager is built from: start while busy, the worker's end,
// the stop signal, the once-a-second retry loop, stopping for good and waiting for every thread,
// and reading the sign-in token.

#include "core/Manager.h"

#include "core/OwnerWindow.h"
#include "settings/ConfigCenter.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>

namespace kh {
namespace {

using test::TipRecorder;
using test::WaitUntil;

class TestManager final : public Manager
{
public:
    TestManager(OwnerWindow* owner, TipRecorder& recorder)
        : Manager("TestManager.", owner, &TipRecorder::Callback, recorder.Context())
    {
    }
    ~TestManager() { StopAndWait(); }
    using Manager::Launch;
    using Manager::LaunchThread;
    using Manager::ReadToken;
    using Manager::RetryUntilStopped;
    using Manager::SignalStop;
    using Manager::StartWorker;
};

TEST(Manager, StartWhileBusyIsDroppedWithoutATip)
{
    TipRecorder recorder;
    TestManager manager(nullptr, recorder);
    auto gate = std::make_shared<Event>(true);
    std::atomic<int> runs{0};

    ASSERT_TRUE(manager.StartWorker(
        [&, gate] {
            ++runs;
            gate->Wait(10000);
        },
        1, 2, 3));
    EXPECT_TRUE(manager.IsBusy());
    EXPECT_FALSE(manager.StartWorker([&] { ++runs; }, 1, 2, 3));

    gate->Set();
    ASSERT_TRUE(WaitUntil([&] { return !manager.IsBusy(); }));
    EXPECT_EQ(runs.load(), 1);
    EXPECT_EQ(recorder.Count(), 0u);

    // Idle again: the next start runs.
    ASSERT_TRUE(manager.StartWorker([&] { ++runs; }, 1, 2, 3));
    ASSERT_TRUE(WaitUntil([&] { return !manager.IsBusy() && runs == 2; }));
}

TEST(Manager, RetryLoopRepeatsEverySecondUntilSuccessOrStop)
{
    TipRecorder recorder;
    TestManager manager(nullptr, recorder);

    int attempts = 0;
    auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(manager.RetryUntilStopped([&] { return ++attempts == 2; }));
    EXPECT_EQ(attempts, 2);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));

    // Once stopEvent is set, the loop gives up after its first failure without waiting.
    manager.SignalStop(9);
    attempts = 0;
    EXPECT_FALSE(manager.RetryUntilStopped([&] {
        ++attempts;
        return false;
    }));
    EXPECT_EQ(attempts, 1);
    EXPECT_TRUE(manager.stopEvent.Wait(0));
    EXPECT_EQ(recorder.Count(), 0u);
}

TEST(Manager, StopDuringTheWaitEndsTheRetryLoop)
{
    TipRecorder recorder;
    TestManager manager(nullptr, recorder);
    std::atomic<int> attempts{0};
    std::atomic<bool> result{true};

    ASSERT_TRUE(
        manager.StartWorker([&] { result = manager.RetryUntilStopped([&] { return ++attempts < 0; }); }, 1, 2, 3));
    ASSERT_TRUE(WaitUntil([&] { return attempts >= 1; }));
    manager.SignalStop(9);
    ASSERT_TRUE(WaitUntil([&] { return !manager.IsBusy(); }));
    EXPECT_FALSE(result);
    EXPECT_LE(attempts.load(), 2);
}

// StopAndWait ends a job waiting on stopEvent, returns only after the job's thread and the threads
// it started have finished with the manager, and refuses every later start without a tip.
TEST(Manager, StopAndWaitWaitsForEveryThreadAndRefusesLaterStarts)
{
    TipRecorder recorder;
    auto manager = std::make_unique<TestManager>(nullptr, recorder);
    std::atomic<int> finished{0};
    Event helperStarted(true);
    TestManager* m = manager.get();
    ASSERT_TRUE(manager->StartWorker(
        [m, &finished, &helperStarted] {
            // A helper thread of the job outlives the job itself.
            EXPECT_EQ(m->LaunchThread([m, &finished] {
                m->stopEvent.Wait(10000);
                m->ReportTip("helper done", 0);
                ++finished;
            }),
                      TestManager::Launch::Started);
            helperStarted.Set();
            m->stopEvent.Wait(10000);
            ++finished;
        },
        1, 2, 3));
    ASSERT_TRUE(helperStarted.Wait(10000));
    ASSERT_TRUE(manager->IsBusy());

    manager->StopAndWait();
    EXPECT_EQ(finished.load(), 2);
    EXPECT_FALSE(manager->IsBusy());
    EXPECT_TRUE(recorder.HasMessage("helper done"));

    recorder.Clear();
    EXPECT_FALSE(manager->StartWorker([&] { ++finished; }, 1, 2, 3));
    EXPECT_EQ(manager->LaunchThread([&] { ++finished; }), TestManager::Launch::Closed);
    EXPECT_FALSE(manager->IsBusy());
    manager.reset();
    EXPECT_EQ(finished.load(), 2);
    EXPECT_EQ(recorder.Count(), 0u);
}

TEST(Manager, ReadTokenCopiesTheTokenOrReportsAMissingOwner)
{
    TipRecorder recorder;
    TestManager orphan(nullptr, recorder);
    EXPECT_EQ(orphan.ReadToken(7), "");
    EXPECT_TRUE(recorder.HasError("TestManager.7."));

    OwnerWindow withoutConfig;
    TestManager noConfig(&withoutConfig, recorder);
    EXPECT_EQ(noConfig.ReadToken(7), "");
    EXPECT_EQ(recorder.Count(), 2u);

    OwnerWindow owner;
    ConfigCenter config(&owner, &TipRecorder::Callback, recorder.Context());
    owner.config = &config;
    config.SetToken("tok-123");
    TestManager manager(&owner, recorder);
    EXPECT_EQ(manager.ReadToken(7), "tok-123");
    EXPECT_EQ(recorder.Count(), 2u);
}

} // namespace
} // namespace kh
