#include "ui/qt/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

namespace kh::ui {

namespace {

// One waiting call: the worker waits on it until the GUI thread has run the task, or until closing
// begins before the task has started.
struct PendingCall
{
    std::mutex mutex;
    std::condition_variable changed;
    bool started = false;
    bool finished = false;
    bool abandoned = false;
};

std::atomic<bool> closing{false};

// Held by the posting thread across the post and taken once by the receiving thread before it
// touches the functor; see PostToThread. Never held across anything that waits.
std::mutex handoffMutex;

// Calls waiting right now, so that BeginClosing can wake them.
std::mutex pendingMutex;
std::set<PendingCall*> pendingCalls;

// Travels inside the posted event. It is destroyed after the task ran, or when Qt drops the event
// unrun (the application object goes away); either way the waiting worker is released.
class PostedTask
{
public:
    PostedTask(std::shared_ptr<PendingCall> call, const std::function<void()>* task) : call(std::move(call)), task(task)
    {
    }
    PostedTask(const PostedTask&) = delete;
    PostedTask& operator=(const PostedTask&) = delete;
    ~PostedTask()
    {
        std::lock_guard<std::mutex> guard(call->mutex);
        call->finished = true;
        call->changed.notify_all();
    }

    void Run()
    {
        {
            std::lock_guard<std::mutex> guard(call->mutex);
            // The caller gave up (closing began before the task started): its arguments may be
            // gone, so the task must not run.
            if (call->abandoned)
                return;
            call->started = true;
        }
        (*task)();
    }

private:
    std::shared_ptr<PendingCall> call;
    const std::function<void()>* task;
};

} // namespace

bool IsGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

void BeginClosing()
{
    closing.store(true);
    std::lock_guard<std::mutex> guard(pendingMutex);
    for (PendingCall* call : pendingCalls) {
        // Taking the call's mutex orders this wake-up after the waiter's last look at the flag.
        std::lock_guard<std::mutex> callGuard(call->mutex);
        call->changed.notify_all();
    }
}

bool IsClosing()
{
    return closing.load();
}

void ResetClosingForTest()
{
    closing.store(false);
}

int WaitingCalls()
{
    std::lock_guard<std::mutex> guard(pendingMutex);
    return static_cast<int>(pendingCalls.size());
}

namespace {

// Posts task to context's thread and waits until it has run there, or until closing begins before
// it has started; true when it ran.
bool RunAndWait(QObject* context, const std::function<void()>& task)
{
    auto call = std::make_shared<PendingCall>();
    {
        std::lock_guard<std::mutex> guard(pendingMutex);
        pendingCalls.insert(call.get());
    }
    auto posted = std::make_shared<PostedTask>(call, &task);
    PostToThread(context, [posted] { posted->Run(); });
    posted.reset();

    bool ran;
    {
        std::unique_lock<std::mutex> lock(call->mutex);
        call->changed.wait(lock, [&] { return call->finished || (closing.load() && !call->started); });
        // Not finished means not started either: a started task is always waited for, since it
        // runs on the GUI thread, which waits for nothing.
        if (!call->finished)
            call->abandoned = true;
        ran = call->started;
    }
    std::lock_guard<std::mutex> guard(pendingMutex);
    pendingCalls.erase(call.get());
    return ran;
}

} // namespace

bool RunOnGuiThread(const std::function<void()>& task)
{
    if (closing.load())
        return false;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    if (QThread::currentThread() == app->thread()) {
        task();
        return true;
    }
    return RunAndWait(app, task);
}

void RunOnGuiThread(QObject* context, std::function<void()> task, bool wait)
{
    if (context == nullptr || !task || closing.load())
        return;
    if (QThread::currentThread() == context->thread()) {
        task();
        return;
    }
    if (wait)
        RunAndWait(context, task);
    else
        PostToThread(context, std::move(task));
}

void PostToThread(QObject* context, std::function<void()> task)
{
    // The receiver takes handoffMutex before it touches the functor, so everything this thread did
    // while building it is ordered before: at worst the receiver waits until invokeMethod returns.
    auto shared = std::make_shared<std::function<void()>>(std::move(task));
    std::lock_guard<std::mutex> guard(handoffMutex);
    QMetaObject::invokeMethod(
        context,
        [shared] {
            {
                std::lock_guard<std::mutex> received(handoffMutex);
            }
            (*shared)();
        },
        Qt::QueuedConnection);
}

} // namespace kh::ui
