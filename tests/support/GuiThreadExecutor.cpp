#include "support/GuiThreadExecutor.h"

namespace kh::test {

GuiThreadExecutor::GuiThreadExecutor() : thread([this] { Run(); }) {}

GuiThreadExecutor::~GuiThreadExecutor()
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        ending = true;
    }
    changed.notify_all();
    thread.join();
}

void GuiThreadExecutor::Post(std::function<void()> task)
{
    {
        std::lock_guard<std::mutex> guard(mutex);
        tasks.push_back(std::move(task));
        ++posted;
    }
    changed.notify_all();
}

void GuiThreadExecutor::Flush()
{
    std::unique_lock<std::mutex> lock(mutex);
    changed.wait(lock, [this] { return finished == posted; });
}

void GuiThreadExecutor::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        changed.wait(lock, [this] { return ending || !tasks.empty(); });
        if (tasks.empty())
            return;
        std::function<void()> task = std::move(tasks.front());
        tasks.pop_front();
        lock.unlock();
        task();
        task = nullptr;
        lock.lock();
        ++finished;
        changed.notify_all();
    }
}

} // namespace kh::test
