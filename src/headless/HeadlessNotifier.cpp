#include "headless/HeadlessNotifier.h"

namespace kh {

void HeadlessNotifier::NotifyCode(const std::u16string& number, const std::u16string& code)
{
    std::lock_guard<std::mutex> guard(mutex);
    notices.push_back({number, code});
}

std::vector<HeadlessNotifier::Notice> HeadlessNotifier::Notices()
{
    std::lock_guard<std::mutex> guard(mutex);
    return notices;
}

} // namespace kh
