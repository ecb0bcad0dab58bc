#pragma once
// Runs work on the thread that owns the windows. The Qt client posts each task to the GUI thread's
// event queue (in order, never waiting for it); the terminal client and the tests run it at once
// on the calling thread, one task at a time (core/InlineExecutor.h).
//
// The thread rule of every port: while the windows serve port calls, the GUI thread never waits
// for a worker and takes no manager lock. What it does touch of the core is brief and held across
// no call: it copies settings in and out under the settings lock, pushes commands under the
// command queue's lock, sets the tips box's auto-scroll flag under its scroll lock, and tests a
// manager's busy event without waiting. No port call or tip is made while the settings,
// command-queue or scroll lock is held. So a worker may call a port and wait for the GUI thread to
// carry it out, because the GUI thread can never be waiting for that worker. What must not wait at
// all (closing the main window, the login success notice, the severe-error box) is posted. At the
// end the GUI thread does wait for the workers, but only after every port call has been made to
// return at once (desktop/MainView.h, EndPortCalls).

#include <functional>

namespace kh {

class UiExecutor
{
public:
    virtual ~UiExecutor() = default;

    // Queues task; tasks run in the order posted. Never blocks on the task.
    virtual void Post(std::function<void()> task) = 0;
};

} // namespace kh
