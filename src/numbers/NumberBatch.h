#pragma once
// The current batch of rented numbers with three marks per number: SMS received, marked for
// blacklisting, gone offline. PhoneNumManager owns it and installs each new batch; SMSManager asks
// it for the numbers still worth polling and marks them; the number list asks whether a number
// has received its SMS and marks numbers for blacklisting. The owner window points to it.
//
// Every operation takes the batch's lock for its whole run and calls nothing outside the batch
// while holding it but its tips. The batch's lock is innermost: SMSManager's and the number
// list's locks may be held while it is taken, never the other way round. Its tips read as the
// number manager's, whose part of the program it is.
//
// With a journal set, a new batch is written to it before it is installed, and the marks that
// settle a number (received, offline) or that decide how it is settled (blacklisting) are passed
// on after the batch's lock is let go.

#include "base/Tip.h"
#include "numbers/NumberRecord.h"
#include "platform/Sync.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace kh {

class NumberJournal;

class NumberBatch final : public TipSource
{
public:
    NumberBatch(TipCallback callback, void* context);
    NumberBatch(const NumberBatch&) = delete;
    NumberBatch& operator=(const NumberBatch&) = delete;

    // The journal that mirrors the batch (null: none). Set before any thread uses the batch.
    void SetJournal(NumberJournal* target) { journal = target; }

    // Replaces the batch by records, in their order, and empties the three marks.
    void Install(std::vector<NumberRecord> records);
    // A copy of the batch.
    std::vector<NumberRecord> Records() const;
    // Empties out, then appends a copy of every record whose number carries no mark, in batch
    // order. A record without fields stops the walk (tip 4).
    void GetActiveNumbers(std::vector<NumberRecord>& out) const;

    // Add a mark; an empty number is refused with tip 5, 7 or 8. MarkReceived also keeps the
    // moment the number's SMS arrived (the first time it is marked), for the list's export.
    void MarkReceived(const std::u16string& number);
    void MarkForBlacklist(const std::u16string& number);
    void MarkOffline(const std::u16string& number);
    // Whether number carries the mark (exact comparison); an empty number gives false with tip
    // 6, 44 or 45.
    bool IsReceived(const std::u16string& number) const;
    bool IsMarkedForBlacklist(const std::u16string& number) const;
    bool IsOffline(const std::u16string& number) const;
    // The numbers were released or blacklisted: no longer active, never sent to the service again.
    // Settling a batch in several requests may stop half-way; what went through is not repeated.
    void MarkSettled(const std::vector<std::u16string>& numbers);
    bool IsSettled(const std::u16string& number) const;

    using Clock = std::chrono::system_clock;
    // When number's SMS arrived, by the system clock; nothing before it has (or for a number of
    // an earlier batch).
    std::optional<Clock::time_point> ArrivalTime(const std::u16string& number) const;

private:
    // Adds the mark; false (tip emptySite) for an empty number.
    bool Mark(std::set<std::u16string>& marks, const std::u16string& number, int emptySite);
    bool HasMark(const std::set<std::u16string>& marks, const std::u16string& number, int emptySite) const;

    NumberJournal* journal = nullptr;
    mutable CriticalSection lock;
    std::vector<NumberRecord> batch;
    std::set<std::u16string> receivedNumbers;
    std::set<std::u16string> blacklistMarks;
    std::set<std::u16string> offlineNumbers;
    std::set<std::u16string> settledNumbers;
    // Emptied with the marks; one entry per number in receivedNumbers.
    std::map<std::u16string, Clock::time_point> arrivalTimes;
};

} // namespace kh
