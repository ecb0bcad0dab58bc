#include "ui/qt/GuiExecutor.h"

#include "ui/qt/GuiThread.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace kh::ui {

void GuiExecutor::Post(std::function<void()> task)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (stopped)
        return;
    // Events posted to one receiver are delivered in the order posted.
    PostToThread(this, std::move(task));
}

void GuiExecutor::Stop()
{
    // Under the mutex no Post is half-way: every task is either removed here or never posted.
    std::lock_guard<std::mutex> guard(mutex);
    stopped = true;
    QCoreApplication::removePostedEvents(this);
}

} // namespace kh::ui
