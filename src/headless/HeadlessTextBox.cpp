#include "headless/HeadlessTextBox.h"

namespace kh {

std::u16string HeadlessTextBox::GetWindowText()
{
    std::lock_guard<std::mutex> guard(mutex);
    return text;
}

bool HeadlessTextBox::SetWindowText(const std::u16string& value)
{
    std::lock_guard<std::mutex> guard(mutex);
    if (failNextSet) {
        failNextSet = false;
        return false;
    }
    text = value;
    ++setCount;
    return true;
}

void HeadlessTextBox::FailNextSet()
{
    std::lock_guard<std::mutex> guard(mutex);
    failNextSet = true;
}

int HeadlessTextBox::SetCount()
{
    std::lock_guard<std::mutex> guard(mutex);
    return setCount;
}

} // namespace kh
