#pragma once
// Rents phone numbers for the chosen project and keeps the current batch with its three marks
// (SMS received, marked for blacklisting, gone offline). The number job runs on a worker of its
// own: it empties the number list, settles the previous batch with the service (release the
// unused numbers, blacklist the marked ones), requests the new numbers, lists them and, with
// automatic fetching on, starts SMSManager. The main window owns one; the dispatcher, the SMS
// pollers and the number list call it from their threads.
//
// Lock order: SMSManager's lock may be held while this manager's lock is taken, never the other
// way round; nothing here calls out of the manager while holding its lock.

#include "core/Manager.h"
#include "numbers/NumberRecord.h"
#include "platform/Sync.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace kh {

class PhoneNumManager final : public Manager
{
  public:
    PhoneNumManager(OwnerWindow* owner, TipCallback callback, void* context);
    // Waits until a running number job has ended, so that its worker never outlives the manager.
    ~PhoneNumManager();
    PhoneNumManager(const PhoneNumManager&) = delete;
    PhoneNumManager& operator=(const PhoneNumManager&) = delete;

    // Stores the main window and fills its province and carrier combos (index 0 selected).
    void SetupChoices(OwnerWindow* window);

    // Starts the number job unless one runs. Empty province or carrier means any.
    void GetNumbers(uint32_t count, const std::u16string& province, const std::u16string& carrier);

    // The batch and its marks. Each takes the manager's lock for its whole run.
    void GetActiveNumbers(std::vector<NumberRecord>& out);
    void MarkReceived(const std::u16string& number);
    void MarkForBlacklist(const std::u16string& number);
    void MarkOffline(const std::u16string& number);
    bool IsReceived(const std::u16string& number);
    bool IsMarkedForBlacklist(const std::u16string& number);
    bool IsOffline(const std::u16string& number);
    std::vector<NumberRecord> GetBatch();

    // Replaces the batch by records and empties the three marks, under the lock.
    void InstallBatch(std::vector<NumberRecord> records);

    // Reads the "list" of a /get_mobile reply into a new batch (tips 33 to 39). An empty reply or
    // one that is not JSON leaves the batch as it was.
    void ParseNumbers(const std::string& reply, const std::u16string& pid);

    // Settle the current batch with the service: give back the unused numbers, blacklist the
    // marked ones. Both first stop SMS fetching and wait for it to end. True on success, also
    // when there was nothing to send. Called by the number job and at shutdown.
    bool ReleaseBatch();
    bool BlacklistBatch();

    // The province and carrier entries of the choice boxes, in display order; entry 0 is "不限".
    static const std::vector<std::u16string>& ProvinceChoices();
    static const std::vector<std::u16string>& CarrierChoices();

  private:
    void NumberJob();
    bool FetchNumbers();
    std::string BuildNumbersRequest(const std::string& token, const std::u16string& pid);
    std::u16string ReadNumberField(const void* element, const char* name);
    void ListBatch();
    void StopSmsAndWait();
    bool SendSettlement(const std::string& path, const std::string& body, bool inputsPresent, int emptySite,
                        const std::string& networkMessage, int networkSite, const std::string& refusalPrefix);

    CriticalSection lock;
    uint32_t requestedCount = 0;
    std::u16string requestedProvince;
    std::u16string requestedCarrier;
    std::vector<NumberRecord> batch;
    std::set<std::u16string> receivedNumbers;
    std::set<std::u16string> blacklistMarks;
    std::set<std::u16string> offlineNumbers;
};

} // namespace kh
