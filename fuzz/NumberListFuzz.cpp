// The /get_mobile reply reader, PhoneNumManager::ParseNumbers, driven with any reply: a reply that
// is JSON becomes one five-field record per "list" element carrying the request's pid; any other
// reply leaves the batch as it was. The marks and the active-number query then run over it.
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
    numbers.InstallBatch({previous});
    numbers.ParseNumbers(reply, pid);
    std::vector<NumberRecord> batch = numbers.GetBatch();

    const long expected = reply.empty() ? -1 : ListElementCount(reply);
    if (expected < 0) {
        KH_FUZZ_CHECK(batch.size() == 1 && batch[0] == previous);
        KH_FUZZ_CHECK(tips > 0);
        return 0;
    }
    KH_FUZZ_CHECK(batch.size() == static_cast<size_t>(expected));
    for (const NumberRecord& record : batch) {
        KH_FUZZ_CHECK(record.size() == 5);
        KH_FUZZ_CHECK(record[kFieldPid] == pid);
    }

    // Marks and the active list over whatever came in: a marked number is no longer active.
    for (size_t i = 0; i < batch.size(); ++i) {
        const std::u16string& number = batch[i][kFieldMobile];
        switch (i % 4) {
        case 1:
            numbers.MarkReceived(number);
            break;
        case 2:
            numbers.MarkForBlacklist(number);
            break;
        case 3:
            numbers.MarkOffline(number);
            break;
        }
    }
    std::vector<NumberRecord> active;
    numbers.GetActiveNumbers(active);
    KH_FUZZ_CHECK(active.size() <= batch.size());
    for (const NumberRecord& record : active) {
        const std::u16string& number = record[kFieldMobile];
        KH_FUZZ_CHECK(!numbers.IsReceived(number) && !numbers.IsMarkedForBlacklist(number) &&
                      !numbers.IsOffline(number));
    }
    return 0;
}
