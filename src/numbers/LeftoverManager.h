#pragma once
// Settles, once after the sign-in, the numbers an earlier run of the client left rented: it opens
// the journal of rented numbers (NumberJournal) for the account and the service host, then
// blacklists the leftovers that were marked for it and releases the others, one request per
// project and kind (several when they are more than one request may name), on a worker of its own. A number the service
// says this account no longer holds is dropped from the journal. One tip says how many were settled and whether it
// worked; what could not be settled stays in the journal for the next start (a network failure ends the job, since the
// next request would fail too).
//
// The client session starts it. The number job waits for it before it asks for new numbers (the
// leftovers count against the account's number limit, and a number handed out again must not be
// released by this job afterwards); the shutdown command waits for it before the batch is settled.
// Its stop ends the job before its next request. No lock is held while a request is in progress.

#include "core/Manager.h"

#include <string>
#include <vector>

namespace kh {

struct ServerReply;

class LeftoverManager final : public Manager
{
public:
    LeftoverManager(OwnerWindow* owner, TipCallback callback, void* context);
    // Stops the job and waits until it has ended.
    ~LeftoverManager();
    LeftoverManager(const LeftoverManager&) = delete;
    LeftoverManager& operator=(const LeftoverManager&) = delete;

    // Starts the job: open the owner window's journal in folder for account at host, then settle
    // its leftovers. Ignored while the job runs.
    void StartSettle(const std::string& folder, const std::u16string& account, const std::string& host);

private:
    // What the job achieved so far, for its one tip.
    struct Tally
    {
        size_t released = 0;
        size_t blacklisted = 0;
        size_t gone = 0;
        size_t kept = 0;
        // The first failure: its message and, for a transport failure, site and detail.
        std::string failure;
        int failureSite = 0;
        std::string failureDetail;
        // A request got no reply: the ones after it would fare no better.
        bool unreachable = false;
        bool stopped = false;
    };
    // The numbers of one request: one project, release or blacklist.
    struct Group
    {
        std::u16string pid;
        bool blacklist = false;
        std::vector<std::u16string> numbers;
    };

    void SettleJob(const std::string& folder, const std::u16string& account, const std::string& host);
    void SettleGroup(const std::string& token, const std::string& host, const Group& group, Tally& tally);
    // One request for numbers of group; false after a transport failure (recorded in tally).
    bool Send(const std::string& token, const std::string& host, const Group& group,
              const std::vector<std::u16string>& numbers, ServerReply& reply, Tally& tally);
    void Refused(const Group& group, const ServerReply& reply, size_t count, Tally& tally);
    void ReportTally(size_t total, const Tally& tally);
};

} // namespace kh
