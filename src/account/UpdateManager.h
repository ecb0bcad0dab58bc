#pragma once
// The version check: asks the services host for the latest version at start-up and then every
// hour, and when it is newer than the client's own, offers the download page in a message box.
// Started by the dispatcher at start-up, stopped at shutdown.

#include "core/Manager.h"

#include <cstdint>
#include <string>

namespace kh {

class UpdateManager final : public Manager
{
public:
    static constexpr uint32_t kCheckInterval = 3600000;

    // checkInterval: milliseconds between two checks.
    UpdateManager(OwnerWindow* owner, TipCallback callback, void* context, uint32_t checkInterval = kCheckInterval);
    // Ends the retries or the wait for the next check and waits until the worker has ended.
    ~UpdateManager();

    void StartVersionCheck();
    void StopVersionCheck();

private:
    void VersionCheckJob();
    bool RequestVersion(std::string& reply);
    void ParseVersion(const std::string& reply);
    void OfferUpdate();

    const uint32_t checkInterval;
    // Written and read only by the worker.
    std::u16string version;
    std::u16string updateText;
};

} // namespace kh
