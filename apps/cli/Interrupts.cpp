#include "Interrupts.h"

#include "Output.h"
#include "platform/Terminal.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace kh::cli {

namespace {

std::atomic<bool> interrupted{false};
// The innermost scope's action. The watch's thread runs it under the lock, so a scope that ends
// waits for its action to finish before what the action uses goes away.
std::mutex actionMutex;
std::function<void()> currentAction;
std::unique_ptr<StopRequestWatch> watch;

void OnStopRequest()
{
    if (interrupted.exchange(true))
        std::_Exit(kExitInterrupted); // a second request does not wait for the shutdown
    std::lock_guard<std::mutex> guard(actionMutex);
    if (!currentAction)
        std::_Exit(kExitInterrupted);
    currentAction();
}

} // namespace

InterruptWatch::InterruptWatch()
{
    watch = std::make_unique<StopRequestWatch>(&OnStopRequest);
}

InterruptWatch::~InterruptWatch()
{
    watch.reset();
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
