#pragma once
// The UI executor where no GUI thread owns the controls (the terminal client, the tests, and the
// tips box when it is given no executor): a task runs at once on the thread that posts it, and
// Post returns when it has run. Tasks run one at a time and
// in order: a post from another thread waits until the running task has finished, and a post from
// inside a task runs right after that task, before the outer Post returns.

#include "core/ports/UiExecutor.h"

#include <deque>
#include <functional>
#include <mutex>

namespace kh {

class InlineExecutor final : public UiExecutor
{
public:
    void Post(std::function<void()> task) override;

private:
    // Held while tasks run, so that tasks of different threads never overlap.
    std::mutex running;
    // Tasks posted from inside a running task; only the running thread touches them.
    std::deque<std::function<void()>> nested;
};

} // namespace kh
