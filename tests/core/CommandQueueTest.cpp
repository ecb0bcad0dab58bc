// The command queue: arrival order, commands queued before the worker, unknown codes, the stop flag,
// stopping the worker from outside and waiting for its end.

#include "core/CommandQueue.h"

#include "core/OwnerWindow.h"
#include "support/WaitUntil.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::WaitUntil;

constexpr int32_t kStop = 2;

// A dispatcher that records every command; kStop returns the stop flag, and code holdCode waits
// for release before returning, to stand for a long command.
class RecordingDispatcher
{
public:
    explicit RecordingDispatcher(std::optional<int32_t> holdCode = std::nullopt) : holdCode(holdCode) {}

    CommandQueue::Dispatcher Function()
    {
        return [this](const Command& command) {
            {
                std::lock_guard<std::mutex> guard(mutex);
                seen.push_back(command);
            }
            if (command.code == holdCode) {
                entered.Set();
                release.Wait(kInfinite);
            }
            return command.code == kStop;
        };
    }

    std::vector<Command> Seen()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return seen;
    }
    size_t Count() { return Seen().size(); }

    Event entered{true};
    Event release{true};

private:
    const std::optional<int32_t> holdCode;
    std::mutex mutex;
    std::vector<Command> seen;
};

std::vector<int32_t> Codes(const std::vector<Command>& commands)
{
    std::vector<int32_t> codes;
    for (const Command& c : commands)
        codes.push_back(c.code);
    return codes;
}

TEST(CommandQueueTest, PushesDuringALongCommandRunAfterItInOrder)
{
    RecordingDispatcher dispatcher(/*holdCode=*/9);
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, dispatcher.Function()));
    queue.PushCommand(9, 5);
    ASSERT_TRUE(dispatcher.entered.Wait(10000));

    for (int32_t code = 10; code < 20; ++code)
        queue.PushCommand(code, code * 2);
    EXPECT_EQ(dispatcher.Count(), 1u); // nothing overtakes the running command
    dispatcher.release.Set();

    ASSERT_TRUE(WaitUntil([&] { return dispatcher.Count() == 11; }));
    std::vector<Command> seen = dispatcher.Seen();
    EXPECT_EQ(Codes(seen), (std::vector<int32_t>{9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}));
    EXPECT_EQ(seen[0].argument, 5);
    EXPECT_EQ(seen[10].argument, 38);
    queue.PushCommand(kStop);
    EXPECT_TRUE(WaitUntil([&] { return !queue.IsRunning(); }));
}

TEST(CommandQueueTest, CommandsPushedBeforeStartRunFirstInTheirOrder)
{
    RecordingDispatcher dispatcher;
    CommandQueue queue;
    OwnerWindow owner;
    for (int32_t code : {1, 4, 7, 8, 15, 24, 25})
        queue.PushCommand(code);

    OwnerWindow* ownerAtDispatch = nullptr;
    auto record = dispatcher.Function();
    ASSERT_TRUE(queue.Start(&owner, [&](const Command& command) {
        if (ownerAtDispatch == nullptr)
            ownerAtDispatch = queue.Owner();
        return record(command);
    }));
    queue.PushCommand(3);

    ASSERT_TRUE(WaitUntil([&] { return dispatcher.Count() == 8; }));
    EXPECT_EQ(Codes(dispatcher.Seen()), (std::vector<int32_t>{1, 4, 7, 8, 15, 24, 25, 3}));
    queue.PushCommand(kStop);
    ASSERT_TRUE(WaitUntil([&] { return !queue.IsRunning(); }));
    EXPECT_EQ(ownerAtDispatch, &owner);
}

TEST(CommandQueueTest, UnknownCodesReachTheDispatcherAndTheWorkerGoesOn)
{
    RecordingDispatcher dispatcher;
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, dispatcher.Function()));
    for (int32_t code : {0, 27, -1, 5})
        queue.PushCommand(code);
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.Count() == 4; }));
    EXPECT_EQ(Codes(dispatcher.Seen()), (std::vector<int32_t>{0, 27, -1, 5}));
    EXPECT_TRUE(queue.IsRunning());
    queue.PushCommand(kStop);
    EXPECT_TRUE(WaitUntil([&] { return !queue.IsRunning(); }));
}

TEST(CommandQueueTest, StopFlagEndsTheWorkerAndLaterPushesAreNotCarriedOut)
{
    RecordingDispatcher dispatcher;
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, dispatcher.Function()));
    queue.PushCommand(kStop);
    queue.PushCommand(6); // queued behind the stop: never taken
    ASSERT_TRUE(WaitUntil([&] { return !queue.IsRunning(); }));
    queue.PushCommand(6);

    EXPECT_EQ(Codes(dispatcher.Seen()), std::vector<int32_t>{kStop});
    EXPECT_FALSE(queue.Start(nullptr, dispatcher.Function())); // started once only
}

TEST(CommandQueueTest, StartNeedsADispatcher)
{
    CommandQueue queue;
    EXPECT_FALSE(queue.Start(nullptr, nullptr));
    EXPECT_FALSE(queue.IsRunning());
}

TEST(CommandQueueTest, PushesFromSeveralThreadsAllRunInEachThreadsOrder)
{
    RecordingDispatcher dispatcher;
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, dispatcher.Function()));
    constexpr int kThreads = 4;
    constexpr int kEach = 200;
    std::vector<std::thread> pushers;
    for (int t = 0; t < kThreads; ++t) {
        pushers.emplace_back([&queue, t] {
            for (int i = 0; i < kEach; ++i)
                queue.PushCommand(100 + t, i);
        });
    }
    for (auto& pusher : pushers)
        pusher.join();

    ASSERT_TRUE(WaitUntil([&] { return dispatcher.Count() == size_t(kThreads * kEach); }));
    std::vector<int32_t> next(kThreads, 0);
    for (const Command& c : dispatcher.Seen()) {
        ASSERT_EQ(c.argument, next[c.code - 100]);
        ++next[c.code - 100];
    }
    queue.PushCommand(kStop);
    EXPECT_TRUE(WaitUntil([&] { return !queue.IsRunning(); }));
}

TEST(CommandQueueTest, DestroyingTheQueueEndsAWaitingWorker)
{
    RecordingDispatcher dispatcher;
    auto queue = std::make_unique<CommandQueue>();
    ASSERT_TRUE(queue->Start(nullptr, dispatcher.Function()));
    queue->PushCommand(1);
    ASSERT_TRUE(WaitUntil([&] { return dispatcher.Count() == 1; }));
    queue.reset(); // returns once the worker has left; the sanitizers see any later touch
    EXPECT_EQ(dispatcher.Count(), 1u);
}

TEST(CommandQueueTest, StopEndsTheWorkerWithoutTheQueuedCommands)
{
    // Stopped while idle: the worker ends, and nothing pushed later is carried out.
    RecordingDispatcher idle;
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, idle.Function()));
    queue.PushCommand(1);
    ASSERT_TRUE(WaitUntil([&] { return idle.Count() == 1; }));
    queue.Stop();
    EXPECT_FALSE(queue.IsRunning());
    EXPECT_TRUE(queue.WaitUntilEnded(std::chrono::milliseconds(0)));
    queue.PushCommand(3);
    EXPECT_EQ(idle.Count(), 1u);

    // Stopped with commands waiting: a worker started afterwards ends without taking them.
    RecordingDispatcher waiting;
    CommandQueue stopped;
    stopped.PushCommand(4);
    stopped.PushCommand(5);
    EXPECT_TRUE(stopped.WaitUntilEnded(std::chrono::milliseconds(0))) << "no worker runs yet";
    stopped.Stop();
    ASSERT_TRUE(stopped.Start(nullptr, waiting.Function()));
    EXPECT_TRUE(stopped.WaitUntilEnded(std::chrono::seconds(10)));
    EXPECT_EQ(waiting.Count(), 0u);
}

TEST(CommandQueueTest, WaitUntilEndedFollowsTheStopFlag)
{
    RecordingDispatcher dispatcher(7);
    CommandQueue queue;
    ASSERT_TRUE(queue.Start(nullptr, dispatcher.Function()));
    queue.PushCommand(7);
    queue.PushCommand(kStop);
    ASSERT_TRUE(dispatcher.entered.Wait(10000));
    EXPECT_FALSE(queue.WaitUntilEnded(std::chrono::milliseconds(20))) << "a command still runs";
    dispatcher.release.Set();
    EXPECT_TRUE(queue.WaitUntilEnded(std::chrono::seconds(10)));
    EXPECT_EQ(dispatcher.Count(), 2u);
}

} // namespace
} // namespace kh
