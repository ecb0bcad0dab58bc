#include "numbers/NumberBatch.h"

#include "base/AutoLock.h"

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
    AutoLock guard(tipCallback, tipContext, &lock);
    batch = std::move(records);
    receivedNumbers.clear();
    blacklistMarks.clear();
    offlineNumbers.clear();
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
        if (receivedNumbers.count(number) || blacklistMarks.count(number) || offlineNumbers.count(number))
            continue;
        out.push_back(record);
    }
}

void NumberBatch::MarkReceived(const std::u16string& number)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    Mark(receivedNumbers, number, kSiteMarkReceivedEmpty);
    if (!number.empty())
        arrivalTimes.emplace(number, Clock::now());
}

void NumberBatch::MarkForBlacklist(const std::u16string& number)
{
    Mark(blacklistMarks, number, kSiteMarkBlacklistEmpty);
}

void NumberBatch::MarkOffline(const std::u16string& number)
{
    Mark(offlineNumbers, number, kSiteMarkOfflineEmpty);
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

std::optional<NumberBatch::Clock::time_point> NumberBatch::ArrivalTime(const std::u16string& number) const
{
    AutoLock guard(tipCallback, tipContext, &lock);
    auto found = arrivalTimes.find(number);
    if (found == arrivalTimes.end())
        return std::nullopt;
    return found->second;
}

void NumberBatch::Mark(std::set<std::u16string>& marks, const std::u16string& number, int emptySite)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (number.empty()) {
        ReportTip({}, emptySite);
        return;
    }
    marks.insert(number);
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
