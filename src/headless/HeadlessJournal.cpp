#include "headless/HeadlessJournal.h"

namespace kh {

void HeadlessJournal::Add(std::string entry)
{
    std::lock_guard<std::mutex> guard(mutex);
    entries.push_back(std::move(entry));
}

std::vector<std::string> HeadlessJournal::Entries() const
{
    std::lock_guard<std::mutex> guard(mutex);
    return entries;
}

int HeadlessJournal::IndexOf(const std::string& entry) const
{
    std::lock_guard<std::mutex> guard(mutex);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i] == entry)
            return static_cast<int>(i);
    return -1;
}

} // namespace kh
