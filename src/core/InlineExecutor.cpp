#include "core/InlineExecutor.h"

#include <algorithm>
#include <vector>

namespace kh {
namespace {

// The executors whose tasks run on this thread right now (a task of one may post to another).
thread_local std::vector<const InlineExecutor*> runningHere;

} // namespace

void InlineExecutor::Post(std::function<void()> task)
{
    if (std::find(runningHere.begin(), runningHere.end(), this) != runningHere.end()) {
        // Posted by a task of this executor: it runs when that task is done, as a posted message
        // runs after the handler that posted it.
        nested.push_back(std::move(task));
        return;
    }
    std::lock_guard<std::mutex> guard(running);
    runningHere.push_back(this);
    task();
    while (!nested.empty()) {
        std::function<void()> next = std::move(nested.front());
        nested.pop_front();
        next();
    }
    runningHere.pop_back();
}

} // namespace kh
