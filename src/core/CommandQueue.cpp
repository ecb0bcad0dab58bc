#include "core/CommandQueue.h"

#include <utility>

namespace kh {

CommandQueue::~CommandQueue()
{
    Stop();
}

void CommandQueue::Stop()
{
    {
        std::lock_guard<CriticalSection> guard(queueLock);
        closing = true;
    }
    queueEvent.Set();
    std::unique_lock<std::mutex> lock(stateMutex);
    stateChanged.wait(lock, [this] { return !running; });
}

void CommandQueue::PushCommand(int32_t code, int32_t argument)
{
    {
        std::lock_guard<CriticalSection> guard(queueLock);
        commands.push_back(Command{code, argument});
    }
    queueEvent.Set();
}

bool CommandQueue::PopCommand(Command& out)
{
    queueLock.Lock();
    if (commands.empty()) {
        queueLock.Unlock();
        // Auto-reset: a signal left from a push whose command was already taken costs one empty pass.
        queueEvent.Wait(kInfinite);
        return false;
    }
    out = commands.front();
    commands.pop_front();
    queueLock.Unlock();
    return true;
}

bool CommandQueue::Start(OwnerWindow* window, Dispatcher dispatch)
{
    if (!dispatch)
        return false;
    {
        std::lock_guard<std::mutex> guard(stateMutex);
        if (started)
            return false;
        started = true;
        running = true;
    }
    owner = window;
    dispatcher = std::move(dispatch);
    if (!StartThread([this] { WorkerProcedure(this); })) {
        std::lock_guard<std::mutex> guard(stateMutex);
        started = false;
        running = false;
        return false;
    }
    return true;
}

bool CommandQueue::IsRunning()
{
    std::lock_guard<std::mutex> guard(stateMutex);
    return running;
}

bool CommandQueue::WaitUntilEnded(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(stateMutex);
    return stateChanged.wait_for(lock, timeout, [this] { return !running; });
}

int CommandQueue::WorkerProcedure(CommandQueue* queue)
{
    for (;;) {
        {
            std::lock_guard<CriticalSection> guard(queue->queueLock);
            if (queue->closing)
                break;
        }
        Command command;
        if (queue->PopCommand(command) && queue->dispatcher(command))
            break;
    }
    // Last touch of the queue: the destructor may free it as soon as the lock is released.
    std::lock_guard<std::mutex> guard(queue->stateMutex);
    queue->running = false;
    queue->stateChanged.notify_all();
    return 0;
}

} // namespace kh
