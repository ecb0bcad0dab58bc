#pragma once
// A shared, thread-safe record of what the in-memory controls were asked to do, in order, so a
// test (or the terminal client) can see the sequence across several controls.

#include <mutex>
#include <string>
#include <vector>

namespace kh {

class HeadlessJournal final
{
public:
    void Add(std::string entry);
    std::vector<std::string> Entries() const;
    // Index of the first entry equal to entry, or -1.
    int IndexOf(const std::string& entry) const;

private:
    mutable std::mutex mutex;
    std::vector<std::string> entries;
};

// Adds entry when journal is not null.
inline void Note(HeadlessJournal* journal, std::string entry)
{
    if (journal != nullptr)
        journal->Add(std::move(entry));
}

} // namespace kh
