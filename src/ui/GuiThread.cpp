#include "ui/GuiThread.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <utility>

namespace kh::ui {

void RunOnGuiThread(QObject* context, std::function<void()> fn, bool wait)
{
    if (context == nullptr || !fn)
        return;
    if (QThread::currentThread() == context->thread()) {
        fn();
        return;
    }
    QMetaObject::invokeMethod(context, std::move(fn), wait ? Qt::BlockingQueuedConnection : Qt::QueuedConnection);
}

} // namespace kh::ui
