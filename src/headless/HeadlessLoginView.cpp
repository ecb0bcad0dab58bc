#include "headless/HeadlessLoginView.h"

#include "desktop/LoginPresenter.h"
#include "headless/HeadlessEventLoop.h"

namespace kh {

HeadlessLoginView::~HeadlessLoginView()
{
    StopTimer();
}

void HeadlessLoginView::ShowTip(const std::u16string& text)
{
    tipText = text;
    tipShown = true;
}

void HeadlessLoginView::StartTimer(int intervalMs)
{
    StopTimer();
    timer = loop.StartTimer(std::chrono::milliseconds(intervalMs), [this] {
        ++timerTicks;
        if (presenter != nullptr)
            presenter->OnTimer();
    });
}

void HeadlessLoginView::StopTimer()
{
    if (timer != 0)
        loop.StopTimer(timer);
    timer = 0;
}

void HeadlessLoginView::Show()
{
    visible = true;
    result.reset();
    if (presenter != nullptr)
        presenter->OnShown();
}

bool HeadlessLoginView::RunModal()
{
    Show();
    loop.RunUntil([this] { return result.has_value(); }, modalLimit);
    return result.value_or(false);
}

void HeadlessLoginView::End(bool accepted)
{
    result = accepted;
    visible = false;
}

} // namespace kh
