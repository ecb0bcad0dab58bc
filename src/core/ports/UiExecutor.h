#pragma once
// Runs work on the thread that owns the windows. The Qt client posts each task to the GUI thread's
// event queue (in order, never waiting for it); the terminal client and the tests run it at once
// on the calling thread, one task at a time (core/InlineExecutor.h).
//
// The thread rule of every port: the GUI thread never takes a manager lock, never reads core state
// and never waits for a worker (of the tips box it takes only the append and scroll locks, and
// those are held across no call); and no port call or tip is made while the settings,
// command-queue or scroll lock is held. A worker may call a port and wait for the GUI thread to
// carry it out, because the GUI thread can never be waiting for that worker. What must not wait
// at all (closing the main window, the login success notice, the severe-error box) is posted.

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
