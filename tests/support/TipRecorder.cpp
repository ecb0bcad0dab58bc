#include "support/TipRecorder.h"

#include <algorithm>

namespace kh::test {

void TipRecorder::Callback(std::string message, std::string error, void* context)
{
    auto* self = static_cast<TipRecorder*>(context);
    std::lock_guard<std::mutex> guard(self->mutex);
    self->tips.push_back({std::move(message), std::move(error)});
}

std::vector<RecordedTip> TipRecorder::Tips() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return tips;
}

std::vector<std::string> TipRecorder::Messages() const
{
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<std::string> out;
    for (const auto& t : tips)
        out.push_back(t.message);
    return out;
}

std::vector<std::string> TipRecorder::Errors() const
{
    std::lock_guard<std::mutex> guard(mutex);
    std::vector<std::string> out;
    for (const auto& t : tips)
        out.push_back(t.error);
    return out;
}

bool TipRecorder::HasMessage(const std::string& message) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return std::any_of(tips.begin(), tips.end(), [&](const RecordedTip& t) { return t.message == message; });
}

bool TipRecorder::HasError(const std::string& error) const
{
    std::lock_guard<std::mutex> guard(mutex);
    return std::any_of(tips.begin(), tips.end(), [&](const RecordedTip& t) { return t.error == error; });
}

size_t TipRecorder::Count() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return tips.size();
}

void TipRecorder::Clear()
{
    std::lock_guard<std::mutex> guard(mutex);
    tips.clear();
}

} // namespace kh::test
