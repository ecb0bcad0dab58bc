#pragma once
// The base of every manager that runs background work: owner window, tip target, busyEvent and
// stopEvent, and the common start / worker / stop forms and the once-a-second retry loop.
// A manager derives from it, names its site codes and runs its job through StartWorker.
//
// Every thread a manager starts is counted until its last touch of the manager, and every
// manager's destructor calls StopAndWait first, so no thread outlives the object it uses.

#include "base/Tip.h"
#include "platform/Sync.h"

#include <functional>
#include <string>

namespace kh {

struct OwnerWindow;

class Manager : public TipSource
{
public:
    Manager(const char* marker, OwnerWindow* owner, TipCallback callback, void* context)
        : TipSource(marker, callback, context), owner(owner)
    {
    }
    Manager(const Manager&) = delete;
    Manager& operator=(const Manager&) = delete;

    OwnerWindow* Owner() const { return owner; }
    void SetOwner(OwnerWindow* window) { owner = window; }

    bool IsBusy() { return busyEvent.Wait(0); }

    // Stops the manager for good and waits until none of its threads touches it any more: signals
    // stopEvent (a retry or interval wait ends at once, a request in progress is finished first),
    // refuses every later start and waits for the job's thread, and any thread that one started,
    // to end. A job may be waiting for the GUI thread in a port call, so on the GUI thread only once
    // the windows' port calls return at once (ports/UiExecutor.h), as the windowed client's end does.
    void StopAndWait();

    // Waits until no thread of the manager runs (its job and any thread the job started), at most
    // timeoutMs; false when one still runs. Unlike StopAndWait it stops nothing. Not on the GUI
    // thread while the windows serve port calls.
    bool WaitUntilIdle(uint32_t timeoutMs) { return threads.WaitAllFor(timeoutMs); }

    Event busyEvent{true};
    Event stopEvent{true};

protected:
    ~Manager() = default;

    // The common start form: a busy manager drops the request silently; otherwise busyEvent is
    // signalled and a worker runs job, then clears busyEvent (tip resetSite if that fails).
    // startSite and threadSite are the tips for a failed signal and a failed thread start. When
    // the thread cannot be started busyEvent is cleared again, so that nobody waits for a job
    // that never ran. Returns true when the worker was started.
    bool StartWorker(std::function<void()> job, int startSite, int threadSite, int resetSite);

    // Starts a counted thread running body; the count ends after body has returned, so StopAndWait
    // waits for it. Closed after StopAndWait (nothing started, no tip); Failed when the thread
    // could not be created.
    enum class Launch
    {
        Started,
        Closed,
        Failed,
    };
    Launch LaunchThread(std::function<void()> body);

    // The common stop form: signals stopEvent (tip site on failure). It does not wait.
    void SignalStop(int site);

    // Runs attempt until it succeeds or stopEvent is signalled during one of the 1000 ms waits
    // between failed attempts. True when an attempt succeeded.
    bool RetryUntilStopped(const std::function<bool()>& attempt);

    // The sign-in token, copied under the settings lock; empty with tip noOwnerSite when the
    // manager has no owner window.
    std::string ReadToken(int noOwnerSite);

    OwnerWindow* owner;

private:
    ThreadTracker threads;
};

} // namespace kh
