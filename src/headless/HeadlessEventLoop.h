#pragma once
// A GUI thread in memory, for running the desktop presenters without a toolkit: tasks posted from
// any thread queue up (Post never waits), and the thread that runs the loop carries them out in the
// order posted, with repeating timers, until it is told to quit or its time is up. Runs nest, as a
// modal dialog's loop nests in the application's. The in-memory views run their modal dialogs and
// event loops on it; a test runs it on its own thread, which stands for the GUI thread.

#include "core/ports/UiExecutor.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

namespace kh {

class HeadlessEventLoop final : public UiExecutor
{
public:
    using Clock = std::chrono::steady_clock;

    void Post(std::function<void()> task) override;

    // tick runs every interval on the loop's thread while a run serves it, until StopTimer.
    int StartTimer(std::chrono::milliseconds interval, std::function<void()> tick);
    void StopTimer(int id);

    // Serves tasks and timers until Quit ends this run (true) or timeout has passed (false).
    bool Run(std::chrono::milliseconds timeout);
    // Ends the innermost run; QuitAll ends every run (as an application's quit does). From a task
    // or any thread; without a run, nothing happens.
    void Quit();
    void QuitAll();
    // Serves tasks and timers until done holds (true) or timeout has passed (false). done is
    // checked after each task and at least every 10 ms, so it may watch other threads too.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Runs the tasks queued now (not the ones they post); how many ran.
    size_t RunPending();

    // Drops the queued tasks and every later post (a toolkit's executor stopped at the end).
    void Stop();
    size_t Queued();

private:
    struct Timer
    {
        Clock::time_point due;
        std::chrono::milliseconds interval;
        std::function<void()> tick;
    };
    // Takes the next task or due timer into work; false when there is none before until, or once
    // quitFlag is set.
    bool Next(std::unique_lock<std::mutex>& lock, std::function<void()>& work, Clock::time_point until,
              const bool* quitFlag);
    bool Serve(const std::function<bool()>& done, Clock::time_point deadline, bool* quitFlag);

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    std::map<int, Timer> timers;
    int nextTimer = 1;
    bool stopped = false;
    // One flag per run, innermost last.
    std::vector<bool*> runs;
};

} // namespace kh
