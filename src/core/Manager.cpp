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
    Launch launch = LaunchThread([this, job = std::move(job), resetSite] {
        job();
        if (!busyEvent.Reset())
            ReportTip({}, resetSite);
    });
    if (launch == Launch::Started)
        return true;
    if (launch == Launch::Failed)
        ReportTip({}, threadSite);
    busyEvent.Reset();
    return false;
}

Manager::Launch Manager::LaunchThread(std::function<void()> body)
{
    if (!threads.Add())
        return Launch::Closed;
    bool started = StartThread([this, body = std::move(body)]() mutable {
        body();
        // What the job captured goes before the count ends, so that nothing of it outlives a
        // StopAndWait.
        body = nullptr;
        threads.Done();
    });
    if (!started) {
        threads.Done();
        return Launch::Failed;
    }
    return Launch::Started;
}

void Manager::StopAndWait()
{
    // Closed before the stop is signalled: a start that slips in between is refused rather than
    // clearing the stop again (the SMS manager clears stopEvent at each start).
    threads.Close();
    stopEvent.Set();
    threads.WaitAll();
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
