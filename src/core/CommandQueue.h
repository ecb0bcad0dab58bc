#pragma once
// The command queue of the main window: handlers push a code and an argument, and one worker
// thread takes the commands out in arrival order and hands each to the dispatcher, until the
// dispatcher reports a confirmed shutdown. The client session (app/ClientSession) owns one and
// starts its worker once, after sign-in, giving it the dispatcher; the window's handlers and the
// terminal client push through the session.

#include "platform/Sync.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace kh {

struct OwnerWindow;

struct Command
{
    int32_t code = 0;
    int32_t argument = 0;
};

class CommandQueue final
{
public:
    // Carries out one command; true only for a confirmed shutdown, which ends the worker.
    using Dispatcher = std::function<bool(const Command&)>;

    CommandQueue() = default;
    // Stop().
    ~CommandQueue();
    CommandQueue(const CommandQueue&) = delete;
    CommandQueue& operator=(const CommandQueue&) = delete;

    // Any thread; never blocks for long. Commands pushed before Start wait for the worker.
    void PushCommand(int32_t code, int32_t argument = 0);

    // Takes the front command into out and returns true; with an empty queue waits until the next
    // push (or a stop of the queue) and returns false, so the caller tries again.
    bool PopCommand(Command& out);

    // Sets the owner, then starts the worker. Once only: false when a worker was already started,
    // when dispatcher is empty, or when the thread could not be created.
    bool Start(OwnerWindow* owner, Dispatcher dispatcher);

    OwnerWindow* Owner() const { return owner; }
    // True from Start until the worker has ended.
    bool IsRunning();
    // Waits until no worker runs (at once when none was started). False on time-out.
    bool WaitUntilEnded(std::chrono::milliseconds timeout);
    // Ends a running worker after its current command, without dispatching the commands still
    // queued, and waits for it. Later pushes are never carried out. Not from the worker itself.
    void Stop();

private:
    static int WorkerProcedure(CommandQueue* queue);

    OwnerWindow* owner = nullptr;
    std::deque<Command> commands;
    CriticalSection queueLock;
    Event queueEvent{false, false};
    Dispatcher dispatcher;

    // Set by the destructor so that a worker still waiting for commands ends.
    bool closing = false;
    // The worker's life, for the destructor: it must not free the queue under a running worker.
    std::mutex stateMutex;
    std::condition_variable stateChanged;
    bool started = false;
    bool running = false;
};

} // namespace kh
