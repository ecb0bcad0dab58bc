#pragma once
// Runs port calls on the GUI thread, the way a window message is sent to its window: a call from a
// worker thread is posted to the GUI thread and the worker waits until it has run; a call already on
// the GUI thread runs at once. Every Qt port of the client goes through OnGuiThread, so the rule lives
// in one place.
//
// Waiting is safe because the GUI thread never waits for a worker and never takes a lock that a
// worker holds across a port call. At the end of the program the GUI thread does wait (for the
// session's workers to stop), so BeginClosing first makes every port call return at once, including
// the calls that are already waiting: a posted call that has not started yet is dropped.

#include <functional>
#include <type_traits>
#include <utility>

class QObject;

namespace kh::ui {

// True when the calling thread is the GUI thread (the thread of the application object).
bool IsGuiThread();

// From now on every port call returns its fallback without running; waiting callers are released.
// Called on the GUI thread before it waits for the session's workers. Not undone.
void BeginClosing();
bool IsClosing();
// For tests that build several windows in one process: closing ends with the previous window.
void ResetClosingForTest();
// How many worker calls are waiting for the GUI thread right now (for tests).
int WaitingCalls();

// Runs task on the GUI thread and waits for it. False, without running it, once closing has begun
// (or when there is no application object).
bool RunOnGuiThread(const std::function<void()>& task);

// The same on the thread of context (a widget: the GUI thread), either waited for or only posted.
// A call whose context is deleted before it runs is dropped, and a waiting caller released. Once
// closing has begun nothing runs.
void RunOnGuiThread(QObject* context, std::function<void()> task, bool wait);

// Posts task to context's thread through Qt's event queue. The functor is built on this thread and
// run and destroyed on the other; the hand-over also goes through a mutex of ours, because the
// queue's own locking is inside Qt, where ThreadSanitizer cannot see it order the two threads.
void PostToThread(QObject* context, std::function<void()> task);

// RunOnGuiThread for a call with a result: the result, or a default value when it did not run.
template <typename F> auto OnGuiThread(F&& call) -> std::invoke_result_t<F&>
{
    using R = std::invoke_result_t<F&>;
    if constexpr (std::is_void_v<R>) {
        RunOnGuiThread(call);
    } else {
        R result{};
        RunOnGuiThread([&] { result = call(); });
        return result;
    }
}

// The same with the value to return when the call did not run.
template <typename F, typename R> R OnGuiThread(F&& call, R fallback)
{
    R result = std::move(fallback);
    RunOnGuiThread([&] { result = call(); });
    return result;
}

} // namespace kh::ui
