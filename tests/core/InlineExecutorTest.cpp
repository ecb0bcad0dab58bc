// The inline UI executor: a task has run when Post returns, a task posted by a task runs right
// after it (not inside it, and without deadlocking), and tasks of different threads never overlap.

#include "core/InlineExecutor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace kh {
namespace {

TEST(InlineExecutor, TaskPostedByATaskRunsAfterItBeforePostReturns)
{
    InlineExecutor executor;
    std::string trace;
    executor.Post([&] {
        trace += "a";
        executor.Post([&] {
            trace += "c";
            executor.Post([&] { trace += "e"; });
            trace += "d";
        });
        trace += "b";
    });
    EXPECT_EQ(trace, "abcde");
}

TEST(InlineExecutor, TasksOfDifferentThreadsNeverOverlap)
{
    InlineExecutor executor;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> runs{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                executor.Post([&] {
                    if (++inside != 1)
                        ++overlaps;
                    std::this_thread::yield();
                    --inside;
                    ++runs;
                });
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(runs.load(), 800);
}

} // namespace
} // namespace kh
