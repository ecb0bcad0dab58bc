#pragma once
// Fetches the SMS of the active numbers of the current batch, one poller thread per number and at
// most 100 at a time, shows each message in the number list, marks the number and extracts the
// verification code by the user's rule; a code found is also put on the clipboard
// (OtherConfig_AutoCopyCode) and shown as a desktop notification (OtherConfig_NotifyOnCode). A fetch runs by hand (one
// request per number) or automatically (every GetSMSConfig_SpaceTime ms until the SMS arrives, the number goes offline,
// the fetch is stopped or GetSMSConfig_TimeoutTime passes), decided per number at every miss.
//
// Threads: StartFetch / StopFetch come from the command worker and the number worker; the fetch
// worker starts the pollers through a one-place hand-off (handoffEvent + current number and pid)
// and waits for the last of them by taking all 100 slots of pollerSlots. The manager's lock
// serialises the arrivals; it may be held while the number list's, the number batch's or the
// settings lock is taken, never the other way round, and never while a request is in progress.

#include "core/Clipboard.h"
#include "core/Manager.h"
#include "numbers/NumberRecord.h"
#include "platform/Sync.h"
#include "settings/SettingsTable.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace kh {

class SMSManager final : public Manager
{
public:
    static constexpr long kMaxPollers = 100;
    // The shortest interval between two requests for one number: a smaller GetSMSConfig_SpaceTime,
    // from wherever it came (a stored file, the terminal client's set), is raised to it, so that a
    // hundred pollers never flood the service; the first poller that raises it says so, once.
    static constexpr uint32_t kMinIntervalMs = 100;

    SMSManager(OwnerWindow* owner, TipCallback callback, void* context);
    // Stops a running fetch and waits until its worker and pollers have ended.
    ~SMSManager();
    SMSManager(const SMSManager&) = delete;
    SMSManager& operator=(const SMSManager&) = delete;

    void StartFetch();
    void StopFetch();

    // The verification code in sms by the rule of the settings record (ExtractCodeByRule in
    // CodeExtraction.h); empty when none is found.
    std::u16string ExtractCode(const std::u16string& sms);

    // Pollers running now and the most that ran at once since the manager was built.
    long RunningPollers() const { return runningPollers.load(); }
    long PeakPollers() const { return peakPollers.load(); }

private:
    void FetchJob();
    void StartPoller(const NumberRecord& record);
    void WaitForPollers();
    void PollNumber();
    bool RequestSms(const std::string& token, const std::u16string& pid, const std::u16string& number,
                    std::u16string& sms, std::string& lastCode);
    bool HandleMiss(uint32_t start, const std::u16string& number, const std::string& lastCode);
    void HandleSms(const std::u16string& number, const std::u16string& sms);
    void SetSmsCell(const std::u16string& number, const std::u16string& text);
    void SetCodeCell(const std::u16string& number, const std::u16string& text);
    void SetFetchButtonChecked(bool checked);
    // What follows a code found in an SMS, by the settings of that arrival.
    void AnnounceCode(const SettingsValues& settings, const std::u16string& number, const std::u16string& code);

    std::vector<NumberRecord> pollList;
    Event handoffEvent{false, true};
    std::u16string currentNumber;
    std::u16string currentPid;
    Semaphore pollerSlots{kMaxPollers, kMaxPollers};
    CriticalSection lock;
    // The automatic copy of each new code; its tips are this manager's.
    Clipboard clipboard;
    std::atomic<long> runningPollers{0};
    std::atomic<long> peakPollers{0};
    std::atomic<bool> intervalRaisedSaid{false};
};

} // namespace kh
