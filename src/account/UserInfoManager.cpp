#include "account/UserInfoManager.h"

#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/StatusBarPort.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteWorkerThread = 2,
    kSiteStop = 3,
    kSiteClearBusy = 4,
    kSiteNoToken = 5,
    kSiteTokenNoWindow = 6,
    kSiteRequestNoToken = 8,
    kSiteNetwork = 9,
    kSiteEmptyReply = 10,
    kSiteMissingFigure = 11,
    kSiteNoStatusBar = 12,
};

} // namespace

UserInfoManager::UserInfoManager(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("UserInfoManager.", owner, callback, context)
{
}

UserInfoManager::~UserInfoManager()
{
    StopAndWait();
}

void UserInfoManager::StartRefresh()
{
    StartWorker([this] { RefreshJob(); }, kSiteSignalBusy, kSiteWorkerThread, kSiteClearBusy);
}

void UserInfoManager::StopRefresh()
{
    SignalStop(kSiteStop);
}

void UserInfoManager::RefreshJob()
{
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteNoToken);
        return;
    }
    std::string reply;
    if (!RetryUntilStopped([&] { return RequestUserInfo(token, reply); }))
        return;
    ParseUserInfo(reply);
    ShowUserInfo();
}

bool UserInfoManager::RequestUserInfo(const std::string& token, std::string& reply)
{
    if (token.empty()) {
        ReportTip({}, kSiteRequestNoToken);
        return false;
    }
    ServerReply answer;
    bool ok = PostForm(*this, ServiceUrl(owner->config->GetApiHost(), "/userinfo"), "token=" + token,
                       "正在获取用户信息...网络连接失败，获取失败！", kSiteNetwork, answer) &&
              RefuseUnlessSuccess(*this, answer, "正在获取用户信息...获取失败！");
    reply = std::move(answer.text);
    return ok;
}

void UserInfoManager::ParseUserInfo(const std::string& reply)
{
    if (reply.empty()) {
        ReportTip({}, kSiteEmptyReply);
        return;
    }
    userName = AnsiToWide(GetReplyString(reply, "\"username\":\""));
    balance = AnsiToWide(GetReplyField(reply, "\"coin\":", ","));
    numberLimit = AnsiToWide(GetReplyField(reply, "\"max_get_mobile_size\":", ","));
    level = AnsiToWide(GetReplyString(reply, "\"level\":\""));
    discount = AnsiToWide(GetReplyField(reply, "\"discount\":", ","));
    score = AnsiToWide(GetReplyField(reply, "\"score\":", ","));
}

void UserInfoManager::ShowUserInfo()
{
    if (userName.empty() || balance.empty() || numberLimit.empty() || level.empty() || discount.empty() ||
        score.empty()) {
        ReportTip({}, kSiteMissingFigure);
        return;
    }
    userName.insert(0, u"用户名：");
    balance.insert(0, u"余额：");
    numberLimit.insert(0, u"可获取号码数：");
    level.insert(0, u"等级：");
    discount.insert(0, u"折扣：");
    score.insert(0, u"积分：");
    if (owner == nullptr || owner->controls.statusBar == nullptr) {
        ReportTip({}, kSiteNoStatusBar);
        return;
    }
    const std::u16string* panes[] = {&userName, &balance, &numberLimit, &level, &discount, &score};
    for (int i = 0; i < StatusBarPort::kPaneCount; ++i)
        owner->controls.statusBar->SetPaneText(i, *panes[i]);
}

} // namespace kh
