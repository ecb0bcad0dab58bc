#include "headless/HeadlessStatusBar.h"

namespace kh {

bool HeadlessStatusBar::SetPaneText(int index, const std::u16string& text)
{
    if (index < 0 || index > kNoticePane)
        return false;
    std::lock_guard<std::mutex> guard(mutex);
    panes[static_cast<size_t>(index)] = text;
    return true;
}

std::u16string HeadlessStatusBar::PaneText(int index)
{
    if (index < 0 || index > kNoticePane)
        return {};
    std::lock_guard<std::mutex> guard(mutex);
    return panes[static_cast<size_t>(index)];
}

} // namespace kh
