#include "numbers/NumberBatch.h"

#include "base/AutoLock.h"
#include "numbers/NumberJournal.h"

namespace kh {
namespace {

// Site codes of the batch's internal tips, in the number manager's numbering.
enum Site : int
{
    kSiteRecordWithoutFields = 4,
    kSiteMarkReceivedEmpty = 5,
    kSiteIsReceivedEmpty = 6,
    kSiteMarkBlacklistEmpty = 7,
    kSiteMarkOfflineEmpty = 8,
    kSiteIsBlacklistEmpty = 44,
    kSiteIsOfflineEmpty = 45,
};

} // namespace

NumberBatch::NumberBatch(TipCallback callback, void* context) : TipSource("PhoneNumManager.", callback, context) {}

void NumberBatch::Install(std::vector<NumberRecord> records)
{
    // Written down before anything can show them: a number the client dies holding is then known.
    if (journal != nullptr)
        journal->Add(records);
    AutoLock guard(tipCallback, tipContext, &lock);
    batch = std::move(records);
    receivedNumbers.clear();
    blacklistMarks.clear();
    offlineNumbers.clear();
    settledNumbers.clear();
    arrivalTimes.clear();
}

std::vector<NumberRecord> NumberBatch::Records() const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    return batch;
}

void NumberBatch::GetActiveNumbers(std::vector<NumberRecord>& out) const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    out.clear();
    for (const NumberRecord& record : batch) {
        if (record.empty()) {
            ReportTip({}, kSiteRecordWithoutFields);
            return;
        }
        const std::u16string& number = record[kFieldMobile];
        if (receivedNumbers.count(number) || blacklistMarks.count(number) || offlineNumbers.count(number) ||
            settledNumbers.count(number))
            continue;
        out.push_back(record);
    }
}

void NumberBatch::MarkReceived(const std::u16string& number)
{
    if (Mark(receivedNumbers, number, kSiteMarkReceivedEmpty) && journal != nullptr)
        journal->Used(number);
    if (!number.empty()) {
        AutoLock guard(tipCallback, tipContext, &lock);
        arrivalTimes.emplace(number, Clock::now());
    }
}

void NumberBatch::MarkForBlacklist(const std::u16string& number)
{
    if (!Mark(blacklistMarks, number, kSiteMarkBlacklistEmpty) || journal == nullptr)
        return;
    std::u16string pid;
    {
        AutoLock guard(tipCallback, tipContext, &lock);
        for (const NumberRecord& record : batch)
            if (record.size() > kFieldPid && record[kFieldMobile] == number) {
                pid = record[kFieldPid];
                break;
            }
    }
    journal->MarkForBlacklist(number, pid);
}

void NumberBatch::MarkOffline(const std::u16string& number)
{
    if (Mark(offlineNumbers, number, kSiteMarkOfflineEmpty) && journal != nullptr)
        journal->Used(number);
}

bool NumberBatch::IsReceived(const std::u16string& number) const
{
    return HasMark(receivedNumbers, number, kSiteIsReceivedEmpty);
}

bool NumberBatch::IsMarkedForBlacklist(const std::u16string& number) const
{
    return HasMark(blacklistMarks, number, kSiteIsBlacklistEmpty);
}

bool NumberBatch::IsOffline(const std::u16string& number) const
{
    return HasMark(offlineNumbers, number, kSiteIsOfflineEmpty);
}

void NumberBatch::MarkSettled(const std::vector<std::u16string>& numbers)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    settledNumbers.insert(numbers.begin(), numbers.end());
}

bool NumberBatch::IsSettled(const std::u16string& number) const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    return settledNumbers.count(number) != 0;
}

std::optional<NumberBatch::Clock::time_point> NumberBatch::ArrivalTime(const std::u16string& number) const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    auto found = arrivalTimes.find(number);
    if (found == arrivalTimes.end())
        return std::nullopt;
    return found->second;
}

bool NumberBatch::Mark(std::set<std::u16string>& marks, const std::u16string& number, int emptySite)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (number.empty()) {
        ReportTip({}, emptySite);
        return false;
    }
    marks.insert(number);
    return true;
}

bool NumberBatch::HasMark(const std::set<std::u16string>& marks, const std::u16string& number, int emptySite) const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (number.empty()) {
        ReportTip({}, emptySite);
        return false;
    }
    return marks.count(number) != 0;
}

} // namespace kh
