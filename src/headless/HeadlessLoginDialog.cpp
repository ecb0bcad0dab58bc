#include "headless/HeadlessLoginDialog.h"

namespace kh {

void HeadlessLoginDialog::SetButtonCaption(const std::u16string& text)
{
    std::lock_guard<std::mutex> guard(mutex);
    caption = text;
    history.push_back(text);
}

std::u16string HeadlessLoginDialog::ButtonCaption() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return caption;
}

std::vector<std::u16string> HeadlessLoginDialog::CaptionHistory() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return history;
}

} // namespace kh
