#include "core/Manager.h"

#include "core/OwnerWindow.h"
#include "settings/ConfigCenter.h"

namespace kh {

bool Manager::StartWorker(std::function<void()> job, int startSite, int threadSite, int resetSite)
{
    if (busyEvent.Wait(0))
        return false;
    if (!busyEvent.Set()) {
        ReportTip({}, startSite);
        return false;
    }
    bool started = StartThread([this, job = std::move(job), resetSite] {
        job();
        if (!busyEvent.Reset())
            ReportTip({}, resetSite);
    });
    if (!started) {
        ReportTip({}, threadSite);
        busyEvent.Reset();
        return false;
    }
    return true;
}

void Manager::SignalStop(int site)
{
    if (!stopEvent.Set())
        ReportTip({}, site);
}

bool Manager::RetryUntilStopped(const std::function<bool()>& attempt)
{
    for (;;) {
        if (attempt())
            return true;
        if (stopEvent.Wait(1000))
            return false;
    }
}

std::string Manager::ReadToken(int noOwnerSite)
{
    if (owner == nullptr || owner->config == nullptr) {
        ReportTip({}, noOwnerSite);
        return {};
    }
    return owner->config->GetToken();
}

} // namespace kh
