#include "Interrupts.h"

#include "Output.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <thread>

namespace kh::cli {

namespace {

std::atomic<bool> interrupted{false};
std::atomic<bool> closing{false};
// The innermost scope's action. The waiting thread runs it under the lock, so a scope that ends
// waits for its action to finish before what the action uses goes away.
std::mutex actionMutex;
std::function<void()> currentAction;
std::thread waiter;

sigset_t StopSignals()
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

void WaitForSignals()
{
    sigset_t signals = StopSignals();
    for (;;) {
        int received = 0;
        if (sigwait(&signals, &received) != 0)
            continue;
        if (closing)
            return;
        if (interrupted.exchange(true))
            std::_Exit(kExitInterrupted); // a second signal does not wait for the shutdown
        std::lock_guard<std::mutex> guard(actionMutex);
        if (!currentAction)
            std::_Exit(kExitInterrupted);
        currentAction();
    }
}

} // namespace

InterruptWatch::InterruptWatch()
{
    sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    waiter = std::thread(&WaitForSignals);
}

InterruptWatch::~InterruptWatch()
{
    // The waiter is woken by a signal of its own and sees that it is to end.
    closing = true;
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
}

bool Interrupted()
{
    return interrupted;
}

InterruptScope::InterruptScope(std::function<void()> action)
{
    std::lock_guard<std::mutex> guard(actionMutex);
    previous = std::move(currentAction);
    currentAction = std::move(action);
}

InterruptScope::~InterruptScope()
{
    std::lock_guard<std::mutex> guard(actionMutex);
    currentAction = std::move(previous);
}

} // namespace kh::cli
