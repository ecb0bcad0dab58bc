#pragma once
// The UI executor of the Win32 window: each task is posted to the GUI thread's message window and
// runs there, in the order posted, in whatever message loop the thread is in (modal ones too).
// Post never waits, as the port promises: the tips box hands its severe-error box over this way
// so that no worker waits for a user's answer. Tasks still queued when the executor is stopped are
// dropped unrun.

#include "core/ports/UiExecutor.h"

#include <atomic>
#include <memory>

namespace kh::win32 {

class GuiExecutor final : public UiExecutor
{
public:
    GuiExecutor() = default;
    GuiExecutor(const GuiExecutor&) = delete;
    GuiExecutor& operator=(const GuiExecutor&) = delete;

    // Any thread. A task posted before StartGuiThread or after Stop is dropped.
    void Post(std::function<void()> task) override;

    // Drops the tasks still queued and every task posted from now on. Called on the GUI thread once
    // the session's workers have ended, before what the tasks point to goes away.
    void Stop() { stopped->store(true); }

private:
    // Shared with the queued tasks, which may outlive the executor.
    std::shared_ptr<std::atomic<bool>> stopped = std::make_shared<std::atomic<bool>>(false);
};

} // namespace kh::win32
