#pragma once
// A stand-in for the Qt client's GUI thread: one thread of its own runs the posted tasks in order,
// and Post only queues (it never waits), as posting to the GUI thread's event queue does. For tests
// of the thread rule: work handed to it runs on another thread than the one that raised it.

#include "core/ports/UiExecutor.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace kh::test {

class GuiThreadExecutor final : public UiExecutor
{
public:
    GuiThreadExecutor();
    // Runs the tasks still queued, then ends the thread.
    ~GuiThreadExecutor() override;
    GuiThreadExecutor(const GuiThreadExecutor&) = delete;
    GuiThreadExecutor& operator=(const GuiThreadExecutor&) = delete;

    void Post(std::function<void()> task) override;

    // Waits until the queue is empty and no task runs, tasks posted by tasks included (not to be
    // called from a task).
    void Flush();
    bool OnGuiThread() const { return std::this_thread::get_id() == thread.get_id(); }

private:
    void Run();

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::function<void()>> tasks;
    unsigned long long posted = 0;
    unsigned long long finished = 0;
    bool ending = false;
    std::thread thread;
};

} // namespace kh::test
