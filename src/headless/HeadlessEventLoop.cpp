#include "headless/HeadlessEventLoop.h"

#include <algorithm>

namespace kh {

namespace {

// How long a wait may last before done() is checked again.
constexpr std::chrono::milliseconds kCheckInterval(10);

} // namespace

void HeadlessEventLoop::Post(std::function<void()> task)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (stopped)
        return;
    tasks.push_back(std::move(task));
    changed.notify_all();
}

int HeadlessEventLoop::StartTimer(std::chrono::milliseconds interval, std::function<void()> tick)
{
    std::lock_guard<std::mutex> guard(mutex);
    int id = nextTimer++;
    timers[id] = Timer{Clock::now() + interval, interval, std::move(tick)};
    changed.notify_all();
    return id;
}

void HeadlessEventLoop::StopTimer(int id)
{
    std::lock_guard<std::mutex> guard(mutex);
    timers.erase(id);
}

bool HeadlessEventLoop::Next(std::unique_lock<std::mutex>& lock, std::function<void()>& work, Clock::time_point until,
                             const bool* quitFlag)
{
    for (;;) {
        if (quitFlag != nullptr && *quitFlag)
            return false;
        if (!tasks.empty()) {
            work = std::move(tasks.front());
            tasks.pop_front();
            return true;
        }
        Clock::time_point now = Clock::now();
        auto due = std::min_element(timers.begin(), timers.end(),
                                    [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        if (due != timers.end() && due->second.due <= now) {
            due->second.due = now + due->second.interval;
            work = due->second.tick;
            return true;
        }
        if (now >= until)
            return false;
        Clock::time_point wake = until;
        if (due != timers.end())
            wake = std::min(wake, due->second.due);
        changed.wait_until(lock, wake);
    }
}

bool HeadlessEventLoop::Serve(const std::function<bool()>& done, Clock::time_point deadline, bool* quitFlag)
{
    for (;;) {
        if (done && done())
            return true;
        std::function<void()> work;
        {
            std::unique_lock<std::mutex> lock(mutex);
            if (quitFlag != nullptr && *quitFlag)
                return true;
            Clock::time_point until = done ? std::min(deadline, Clock::now() + kCheckInterval) : deadline;
            if (!Next(lock, work, until, quitFlag)) {
                if (Clock::now() >= deadline)
                    return quitFlag != nullptr ? *quitFlag : (done && done());
                continue;
            }
        }
        work();
    }
}

bool HeadlessEventLoop::Run(std::chrono::milliseconds timeout)
{
    bool quit = false;
    {
        std::lock_guard<std::mutex> guard(mutex);
        runs.push_back(&quit);
    }
    bool result = Serve({}, Clock::now() + timeout, &quit);
    std::lock_guard<std::mutex> guard(mutex);
    runs.erase(std::find(runs.begin(), runs.end(), &quit));
    return result;
}

void HeadlessEventLoop::Quit()
{
    std::lock_guard<std::mutex> guard(mutex);
    if (!runs.empty())
        *runs.back() = true;
    changed.notify_all();
}

void HeadlessEventLoop::QuitAll()
{
    std::lock_guard<std::mutex> guard(mutex);
    for (bool* run : runs)
        *run = true;
    changed.notify_all();
}

bool HeadlessEventLoop::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    return Serve(done, Clock::now() + timeout, nullptr);
}

size_t HeadlessEventLoop::RunPending()
{
    std::deque<std::function<void()>> now;
    {
        std::lock_guard<std::mutex> guard(mutex);
        now.swap(tasks);
    }
    for (std::function<void()>& task : now)
        task();
    return now.size();
}

void HeadlessEventLoop::Stop()
{
    std::lock_guard<std::mutex> guard(mutex);
    stopped = true;
    tasks.clear();
    timers.clear();
}

size_t HeadlessEventLoop::Queued()
{
    std::lock_guard<std::mutex> guard(mutex);
    return tasks.size();
}

} // namespace kh
