#include "headless/HeadlessShell.h"

namespace kh {

long HeadlessShell::OpenUrl(const std::u16string& url)
{
    std::lock_guard<std::mutex> guard(mutex);
    opened.push_back(url);
    return result;
}

void HeadlessShell::SetResult(long value)
{
    std::lock_guard<std::mutex> guard(mutex);
    result = value;
}

std::vector<std::u16string> HeadlessShell::Opened() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return opened;
}

} // namespace kh
