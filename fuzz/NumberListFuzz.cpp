// The /get_mobile reply reader, PhoneNumManager::ParseNumbers, driven with any reply: a reply that
// is JSON becomes one five-field record per "list" element carrying the request's pid; any other
// reply is damaged: what it held whole becomes the batch (five-field records with the pid, as many
// numbers as it says it salvaged), and without a whole number the batch stays as it was. A whole
// reply cut in half never salvages more numbers than it listed. The marks and the active-number
// query then run over the batch.
// Input: the pid on the first line, the reply in the rest.

#include "FuzzSupport.h"
#include "ListReadersFuzz.h"
#include "numbers/PhoneNumManager.h"
#include "platform/TextCodec.h"

using namespace kh;
using namespace kh::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<std::string> fields = SplitFields(data, size, 1);
    const std::u16string pid = Utf8ToWide(fields[0]);
    const std::string& reply = fields[1];

    long tips = 0;
    PhoneNumManager numbers(nullptr, CountTip, &tips);
    const NumberRecord previous = {u"13800000000", u"广东", u"深圳", u"移动", u"1001"};
    numbers.Batch().Install({previous});
    PhoneNumManager::NumbersRead read = numbers.ParseNumbers(reply, pid);
    std::vector<NumberRecord> batch = numbers.Batch().Records();

    const long expected = reply.empty() ? -1 : ListElementCount(reply);
    if (expected < 0) {
        KH_FUZZ_CHECK(tips > 0);
        KH_FUZZ_CHECK(read.damaged || reply.empty());
        if (read.salvaged == 0) {
            KH_FUZZ_CHECK(batch.size() == 1 && batch[0] == previous);
            return 0;
        }
        size_t withNumber = 0;
        for (const NumberRecord& record : batch)
            withNumber += record.size() == 5 && !record[kFieldMobile].empty() ? 1 : 0;
        KH_FUZZ_CHECK(withNumber == read.salvaged);
    } else {
        KH_FUZZ_CHECK(!read.damaged);
        KH_FUZZ_CHECK(batch.size() == static_cast<size_t>(expected));
        long cutTips = 0;
        PhoneNumManager cut(nullptr, CountTip, &cutTips);
        PhoneNumManager::NumbersRead half = cut.ParseNumbers(reply.substr(0, reply.size() / 2), pid);
        KH_FUZZ_CHECK(half.salvaged <= static_cast<size_t>(expected));
    }
    for (const NumberRecord& record : batch) {
        KH_FUZZ_CHECK(record.size() == 5);
        KH_FUZZ_CHECK(record[kFieldPid] == pid);
    }

    // Marks and the active list over whatever came in: a marked number is no longer active.
    for (size_t i = 0; i < batch.size(); ++i) {
        const std::u16string& number = batch[i][kFieldMobile];
        switch (i % 4) {
        case 1:
            numbers.Batch().MarkReceived(number);
            break;
        case 2:
            numbers.Batch().MarkForBlacklist(number);
            break;
        case 3:
            numbers.Batch().MarkOffline(number);
            break;
        }
    }
    std::vector<NumberRecord> active;
    numbers.Batch().GetActiveNumbers(active);
    KH_FUZZ_CHECK(active.size() <= batch.size());
    for (const NumberRecord& record : active) {
        const std::u16string& number = record[kFieldMobile];
        KH_FUZZ_CHECK(!numbers.Batch().IsReceived(number) && !numbers.Batch().IsMarkedForBlacklist(number) &&
                      !numbers.Batch().IsOffline(number));
    }
    return 0;
}
