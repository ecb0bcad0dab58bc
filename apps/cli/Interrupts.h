#pragma once
// Ctrl-C and SIGTERM for the terminal client. Both signals are blocked in every thread and taken by
// one waiting thread, which may safely touch the managers: the first signal sets the interrupted
// flag and runs the action of the innermost InterruptScope (a session stops what its command waits
// for, so the command closes as the window would); with no scope, or at a second signal, the
// program ends at once with status 130.

#include <functional>

namespace kh::cli {

// Blocks the signals and starts the waiting thread; the destructor ends and joins it. One, made
// by main before any other thread starts.
class InterruptWatch final
{
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// True once a signal has arrived.
bool Interrupted();

// While it lives, the first signal runs action on the waiting thread (the previous scope's action
// comes back when it ends).
class InterruptScope final
{
public:
    explicit InterruptScope(std::function<void()> action);
    ~InterruptScope();
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    std::function<void()> previous;
};

} // namespace kh::cli
