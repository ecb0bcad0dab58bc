#pragma once
// Ctrl-C (and SIGTERM on Linux) for the terminal client, taken by the platform's stop-request
// watch on a thread that may safely touch the managers: the first request sets the interrupted
// flag and runs the action of the innermost InterruptScope (a session stops what its command waits
// for, so the command closes as the window would); with no scope, or at a second request, the
// program ends at once with status 130.

#include <functional>

namespace kh::cli {

// Starts watching for stop requests; the destructor stops. One, made by main before any other
// thread starts.
class InterruptWatch final
{
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
};

// True once a stop request has arrived.
bool Interrupted();

// While it lives, the first stop request runs action on the watch's thread (the previous scope's action
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
