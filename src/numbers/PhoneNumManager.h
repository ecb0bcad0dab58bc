#pragma once
// Rents phone numbers for the chosen project and keeps the current batch with its three marks
// (SMS received, marked for blacklisting, gone offline) in a NumberBatch. The number job runs on a
// worker of its own: unless the request can only fail (count 0, no project), it settles the
// previous batch with the service (release the unused numbers, blacklist the marked ones), empties
// the number list once that succeeded, requests the new numbers, installs and lists them and, with automatic fetching
// on, starts SMSManager. The main window owns one; the dispatcher starts its job and settles the batch at shutdown. The
// SMS pollers and the number list reach the batch itself (lock order in NumberBatch.h); the job holds no lock while it
// calls out or waits. The batch writes every new number to the journal of rented numbers before it is listed; the
// settling steps take out what the service accepted.

#include "core/Manager.h"
#include "numbers/NumberBatch.h"
#include "numbers/NumberRecord.h"

#include <cstdint>
#include <functional>
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

    // The current batch and its marks; the owner window points to it for the other managers.
    NumberBatch& Batch() { return batch; }

    // How a /get_mobile reply was read.
    struct NumbersRead
    {
        // The reply did not come whole (cut short, or not JSON): the numbers of its complete records,
        // and the number of a record cut after it, were salvaged.
        bool damaged = false;
        size_t salvaged = 0;
        // The transport error that cut the reply short, 0 when it came whole.
        int transportError = 0;
    };

    // Reads the "list" of a /get_mobile reply into a new batch (tips 33 to 39). From a reply that
    // does not parse whole (tip 34), every number of a complete record, and the number of a record
    // cut after its "mobile", becomes the new batch: each of them was rented. An empty reply, or a
    // damaged one without a single whole number, leaves the batch as it was.
    NumbersRead ParseNumbers(const std::string& reply, const std::u16string& pid);

    // Settle the current batch with the service: give back the unused numbers, blacklist the
    // marked ones, in requests of at most kNumbersPerSettleRequest numbers each. Both first stop
    // SMS fetching and wait for it to end. True on success, also when there was nothing to send;
    // a refused request ends the step (its tip names the HTTP status when it was not 200), and the
    // numbers the requests before it settled are not sent again. Called by the number job and at
    // shutdown.
    bool ReleaseBatch();
    bool BlacklistBatch();

    // The province and carrier entries of the choice boxes, in display order; entry 0 is "不限".
    static const std::vector<std::u16string>& ProvinceChoices();
    static const std::vector<std::u16string>& CarrierChoices();

private:
    void NumberJob();
    bool FetchNumbers(NumbersRead& read);
    std::string BuildNumbersRequest(const std::string& token, const std::u16string& pid);
    std::u16string ReadNumberField(const void* element, const char* name);
    // The records of a parsed reply's "list" (tips 35 to 39).
    std::vector<NumberRecord> ReadList(const void* root, const std::u16string& pid);
    void ListBatch();
    void StopSmsAndWait();
    // The numbers of the batch that wanted picks, in batch order, and the pid of the batch's first
    // record (tips emptySite and noPidSite for a damaged batch).
    void CollectSettlement(const std::function<bool(const std::u16string&)>& wanted, int emptySite, int noPidSite,
                           std::string& pid, std::vector<std::u16string>& picked);
    // Sends picked in bounded requests, body(numbers) each; false at the first that fails.
    bool SettleInRequests(const std::vector<std::u16string>& picked,
                          const std::function<std::string(const std::string&)>& body, const std::string& path,
                          bool inputsPresent, int emptySite, const std::string& networkMessage, int networkSite,
                          const std::string& refusalPrefix);
    // The numbers were released or blacklisted: out of the journal, and never sent again.
    void Settled(const std::vector<std::u16string>& numbers);
    // Removes the rows of the batch's settled numbers from the list (a settlement that stopped
    // half-way keeps the rest).
    void DropSettledRows();
    // Waits until the numbers an earlier run left have been settled (LeftoverManager), so that they
    // no longer count against the account's limit and a number handed out again is never released
    // by that job.
    void WaitForLeftovers();
    bool SendSettlement(const std::string& path, const std::string& body, bool inputsPresent, int emptySite,
                        const std::string& networkMessage, int networkSite, const std::string& refusalPrefix);

    NumberBatch batch;
    // The request of the running number job; used only by its worker.
    uint32_t requestedCount = 0;
    std::u16string requestedProvince;
    std::u16string requestedCarrier;
};

} // namespace kh
