#pragma once
// The UI executor of the windowed client: each task is posted to the GUI thread's event queue and
// runs there in the order posted; Post never waits. Tasks still queued when the executor is stopped
// or destroyed are dropped.

#include "core/ports/UiExecutor.h"

#include <QObject>
#include <mutex>

namespace kh::ui {

class GuiExecutor final : public QObject, public UiExecutor
{
    Q_OBJECT

public:
    // Lives on the thread that creates it, which is the GUI thread.
    explicit GuiExecutor(QObject* parent = nullptr) : QObject(parent) {}

    void Post(std::function<void()> task) override;

    // Drops the tasks still queued and every task posted from now on. Called on the GUI thread
    // once the session's workers have ended, before what the tasks point to goes away.
    void Stop();

private:
    std::mutex mutex;
    bool stopped = false;
};

} // namespace kh::ui
