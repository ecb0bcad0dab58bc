#include "numbers/LeftoverManager.h"

#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "numbers/NumberJournal.h"
#include "numbers/NumberRecord.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <algorithm>

namespace kh {
namespace {

// Site codes of this module's tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteWorkerThread = 2,
    kSiteClearBusy = 3,
    kSiteNoJournal = 4,
    kSiteTokenNoWindow = 5,
    kSiteNoToken = 6,
    kSiteNetwork = 7,
};

const char* const kMsgSettling = "正在释放上次遗留的手机号码...";

std::string JoinNumbers(const std::vector<std::u16string>& numbers)
{
    std::string list;
    for (const std::u16string& number : numbers) {
        if (!list.empty())
            list += ",";
        list += WideToAnsi(number);
    }
    return list;
}

} // namespace

LeftoverManager::LeftoverManager(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("LeftoverManager.", owner, callback, context)
{
}

LeftoverManager::~LeftoverManager()
{
    StopAndWait();
}

void LeftoverManager::StartSettle(const std::string& folder, const std::u16string& account, const std::string& host)
{
    StartWorker([this, folder, account, host] { SettleJob(folder, account, host); }, kSiteSignalBusy, kSiteWorkerThread,
                kSiteClearBusy);
}

void LeftoverManager::SettleJob(const std::string& folder, const std::u16string& account, const std::string& host)
{
    NumberJournal* journal = owner != nullptr ? owner->journal : nullptr;
    if (journal == nullptr) {
        ReportTip({}, kSiteNoJournal);
        return;
    }
    if (!journal->Open(folder, account, host))
        return;
    std::vector<JournalEntry> leftovers = journal->Leftovers();
    if (leftovers.empty())
        return;

    Tally tally;
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        tally.kept = leftovers.size();
        tally.failure = "释放失败！未登录。";
        tally.failureSite = kSiteNoToken;
        ReportTally(leftovers.size(), tally);
        return;
    }
    std::string apiHost = owner->config != nullptr ? owner->config->GetApiHost() : std::string();

    // One request per project and kind, releases first as when a batch is settled; a group of
    // more numbers than one request may name goes out in several.
    std::vector<Group> groups;
    for (bool blacklist : {false, true})
        for (const JournalEntry& entry : leftovers) {
            if (entry.blacklist != blacklist)
                continue;
            auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
                return g.blacklist == blacklist && g.pid == entry.pid && g.numbers.size() < kNumbersPerSettleRequest;
            });
            if (group == groups.end())
                group = groups.insert(groups.end(), Group{entry.pid, blacklist, {}});
            group->numbers.push_back(entry.number);
        }

    for (const Group& group : groups) {
        if (!tally.unreachable && stopEvent.Wait(0))
            tally.stopped = true;
        if (tally.unreachable || tally.stopped)
            tally.kept += group.numbers.size();
        else
            SettleGroup(token, apiHost, group, tally);
    }
    ReportTally(leftovers.size(), tally);
}

bool LeftoverManager::Send(const std::string& token, const std::string& host, const Group& group,
                           const std::vector<std::u16string>& numbers, ServerReply& reply, Tally& tally)
{
    std::string pid = WideToAnsi(group.pid);
    std::string list = JoinNumbers(numbers);
    std::string path = group.blacklist ? "/add_black" : "/adv_release_mobile";
    std::string body = group.blacklist ? "token=" + token + "&pid=" + pid + "&mobile_list=" + list
                                       : "token=" + token + "&pid_list=" + pid + "&mobile=" + list;
    std::string tlsProblem;
    int error = SendForm(*this, ServiceUrl(host, path), body, reply, tlsProblem);
    if (error == 0)
        return true;
    tally.unreachable = true;
    if (tally.failure.empty()) {
        tally.failure =
            std::string(group.blacklist ? "网络连接失败，加黑失败！" : "网络连接失败，释放失败！") + tlsProblem;
        tally.failureSite = kSiteNetwork;
        tally.failureDetail = std::to_string(error) + ".";
    }
    return false;
}

void LeftoverManager::SettleGroup(const std::string& token, const std::string& host, const Group& group, Tally& tally)
{
    NumberJournal* journal = owner->journal;
    auto settled = [&](const std::vector<std::u16string>& numbers) {
        journal->Remove(numbers);
        (group.blacklist ? tally.blacklisted : tally.released) += numbers.size();
    };
    auto gone = [&](const std::vector<std::u16string>& numbers) {
        journal->Remove(numbers);
        tally.gone += numbers.size();
    };

    ServerReply reply;
    if (!Send(token, host, group, group.numbers, reply, tally)) {
        tally.kept += group.numbers.size();
        return;
    }
    if (reply.code == kCodeSuccess) {
        settled(group.numbers);
        return;
    }
    if (reply.code != kCodeNotHeld) {
        Refused(group, reply, group.numbers.size(), tally);
        return;
    }
    if (group.numbers.size() == 1) {
        gone(group.numbers);
        return;
    }
    // The service refuses the whole list when one number is no longer this account's (given back
    // by the service itself, or released by a request whose reply was lost): each is asked alone.
    for (size_t i = 0; i < group.numbers.size(); ++i) {
        if (stopEvent.Wait(0)) {
            tally.stopped = true;
            tally.kept += group.numbers.size() - i;
            return;
        }
        std::vector<std::u16string> one{group.numbers[i]};
        ServerReply single;
        if (!Send(token, host, group, one, single, tally)) {
            tally.kept += group.numbers.size() - i;
            return;
        }
        if (single.code == kCodeSuccess)
            settled(one);
        else if (single.code == kCodeNotHeld)
            gone(one);
        else
            Refused(group, single, 1, tally);
    }
}

void LeftoverManager::Refused(const Group& group, const ServerReply& reply, size_t count, Tally& tally)
{
    tally.kept += count;
    if (tally.failure.empty())
        tally.failure = std::string(group.blacklist ? "加黑失败！" : "释放失败！") + reply.code + reply.msg +
                        HttpStatusNote(reply) + "。";
}

void LeftoverManager::ReportTally(size_t total, const Tally& tally)
{
    std::string text = kMsgSettling;
    if (tally.kept == 0) {
        std::string done;
        if (tally.released > 0)
            done = "释放了 " + std::to_string(tally.released) + " 个";
        if (tally.blacklisted > 0)
            done += (done.empty() ? "" : "、") + std::string("加黑了 ") + std::to_string(tally.blacklisted) + " 个";
        if (!done.empty())
            text += "成功" + done + "手机号码。";
        if (tally.gone > 0)
            text += std::to_string(tally.gone) + " 个手机号码已不属于本账户，无需释放。";
        ReportTip(text, 0);
        return;
    }
    text += tally.failure.empty() ? std::string("释放已中止！") : tally.failure;
    size_t handled = total - tally.kept;
    if (handled > 0)
        text += "已处理 " + std::to_string(handled) + " 个，";
    text += std::to_string(tally.kept) + " 个手机号码留待下次启动时再释放。";
    ReportTip(text, tally.failureSite, tally.failureDetail);
}

} // namespace kh
