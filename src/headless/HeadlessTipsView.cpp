#include "headless/HeadlessTipsView.h"

#include <algorithm>

namespace kh {

size_t HeadlessTipsView::TextLength()
{
    std::lock_guard<std::mutex> guard(mutex);
    return text.size();
}

void HeadlessTipsView::GetSelection(size_t& start, size_t& end)
{
    std::lock_guard<std::mutex> guard(mutex);
    start = selStart;
    end = selEnd;
}

void HeadlessTipsView::SetSelection(size_t start, size_t end)
{
    std::lock_guard<std::mutex> guard(mutex);
    selStart = std::min(start, text.size());
    selEnd = std::min(end, text.size());
    if (selStart > selEnd)
        std::swap(selStart, selEnd);
}

void HeadlessTipsView::ReplaceSelection(const std::u16string& insert)
{
    std::function<void(const std::u16string&)> watcher;
    {
        std::lock_guard<std::mutex> guard(mutex);
        text.replace(selStart, selEnd - selStart, insert);
        selStart += insert.size();
        selEnd = selStart;
        watcher = observer;
    }
    if (watcher)
        watcher(insert);
}

std::u16string HeadlessTipsView::GetText()
{
    std::lock_guard<std::mutex> guard(mutex);
    return text;
}

void HeadlessTipsView::Clear()
{
    std::lock_guard<std::mutex> guard(mutex);
    text.clear();
    selStart = selEnd = 0;
}

void HeadlessTipsView::SetRedraw(bool on)
{
    std::lock_guard<std::mutex> guard(mutex);
    redraw = on;
}

bool HeadlessTipsView::RedrawOn()
{
    std::lock_guard<std::mutex> guard(mutex);
    return redraw;
}

void HeadlessTipsView::SetObserver(std::function<void(const std::u16string&)> watcher)
{
    std::lock_guard<std::mutex> guard(mutex);
    observer = std::move(watcher);
}

} // namespace kh
