#pragma once
// Runs port calls on the GUI thread the Windows way: a call from a worker is a SendMessage of a
// private message, carrying the task, to a message-only window of the GUI thread, so the worker
// waits exactly as for any window message; a call on the GUI thread runs at once. Every Win32 port
// goes through OnGuiThread, so the thread rule lives in one place.
//
// Waiting is safe because the GUI thread never waits for a worker and never takes a lock that a
// worker holds across a port call. At the end the GUI thread does wait for the session's workers;
// BeginClosing first makes every port call return at once without running, and RunServingCalls
// keeps answering the calls that are already on their way while it waits, so a worker blocked in
// SendMessage is released (a sent message is answered only by its receiving thread).
//
// Tasks that must not be waited for (the UI executor, the notifier, the close notice) are posted
// instead, to the same window, in order; they run in any message loop of the GUI thread, modal
// ones included.

#include <chrono>
#include <functional>
#include <type_traits>
#include <typeinfo>
#include <utility>

namespace kh::win32 {

// Makes the calling thread the GUI thread: creates its message-only window. False when the
// window cannot be created (wine without a display driver, say). Called once before any port is
// used; StopGuiThread undoes it.
bool StartGuiThread();
// Destroys the window; posted tasks not yet run are dropped (freed, not run). GUI thread only.
void StopGuiThread();

// True on the thread that called StartGuiThread.
bool IsGuiThread();

// From now on every port call returns its fallback without running, the ones already sent
// included. Called on the GUI thread before it waits for the session's workers. Not undone.
void BeginClosing();
bool IsClosing();
// For tests that build several windows in one process.
void ResetClosingForTest();

// Runs task on the GUI thread and waits for it. False, without running it, once closing has begun
// or when there is no GUI thread.
bool RunOnGuiThread(const std::function<void()>& task);

// Queues task for the GUI thread and returns at once; tasks run in the order posted. False (and
// the task dropped) when there is no GUI thread.
bool PostToGuiThread(std::function<void()> task);

// Runs work on a thread of its own while the calling GUI thread goes on answering sent port calls,
// and returns when work has ended. For the end of the program: the session's destructor waits for
// workers that may be sending a port call at that moment.
void RunServingCalls(const std::function<void()>& work);

// How many port calls workers have sent to the GUI thread since it started (for the bench).
unsigned long long SentCallCount();

// For the bench, which looks for the GUI thread's longest work: when set, called on the GUI thread
// after each call a worker sent and each posted task ran, with the task's type (a lambda's type
// names the function it was written in), whether it was sent, and how long it ran. nullptr stops it.
using TaskTimer = void (*)(const std::type_info& task, bool sent, std::chrono::steady_clock::duration took);
void SetTaskTimer(TaskTimer timer);

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

} // namespace kh::win32
