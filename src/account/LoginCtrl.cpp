#include "account/LoginCtrl.h"

#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/UnverifiedNotice.h"
#include "core/ports/LoginDialogPort.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <mutex>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteWorkerThread = 2,
    kSiteClearBusy = 3,
    kSiteJobWithoutWindow = 4,
    kSiteCredentialsWithoutWindow = 5,
    kSiteEmptyCredentials = 7,
    kSiteNetwork = 8,
    kSiteNoToken = 9,
    kSiteTokenWithoutWindow = 10,
};

} // namespace

namespace {

constexpr const char16_t* kCaptionSigningIn = u"正在登录";
constexpr const char16_t* kCaptionIdle = u"登    录";

} // namespace

LoginCtrl::LoginCtrl(OwnerWindow* owner, LoginDialogPort* dialog, TipCallback callback, void* context)
    : Manager("LoginCtrl.", owner, callback, context), dialog(dialog)
{
}

LoginCtrl::~LoginCtrl()
{
    StopAndWait();
}

void LoginCtrl::StartLogin()
{
    StartWorker([this] { LoginJob(); }, kSiteSignalBusy, kSiteWorkerThread, kSiteClearBusy);
}

void LoginCtrl::SetButtonCaption(const std::u16string& caption)
{
    if (dialog != nullptr)
        dialog->SetButtonCaption(caption);
}

void LoginCtrl::LoginJob()
{
    if (owner == nullptr) {
        ReportTip({}, kSiteJobWithoutWindow);
        return;
    }
    SetButtonCaption(kCaptionSigningIn);
    // Each sign-in says once that its requests go out unverified.
    if (owner->unverifiedNotice != nullptr)
        owner->unverifiedNotice->Rearm();
    std::string user;
    std::string pwd;
    ReadCredentials(user, pwd);
    if (user.empty() || pwd.empty()) {
        ReportTip("登录失败。请输入用户名和密码！", 0);
        SetButtonCaption(kCaptionIdle);
        return;
    }
    if (!RequestLogin(user, pwd)) {
        SetButtonCaption(kCaptionIdle);
        return;
    }
    PublishToken();
}

void LoginCtrl::ReadCredentials(std::string& user, std::string& pwd)
{
    user.clear();
    pwd.clear();
    if (owner == nullptr || owner->config == nullptr) {
        ReportTip({}, kSiteCredentialsWithoutWindow);
        return;
    }
    SettingsValues settings = owner->config->Snapshot();
    user = WideToAnsi(settings.userName);
    pwd = WideToAnsi(settings.password);
}

bool LoginCtrl::RequestLogin(const std::string& user, const std::string& pwd)
{
    if (user.empty() || pwd.empty()) {
        ReportTip({}, kSiteEmptyCredentials);
        return false;
    }
    // The values go out as typed: the service expects them unencoded.
    std::string body = "user=" + user + "&pwd=" + pwd;
    ServerReply reply;
    if (!PostForm(*this, ServiceUrl(owner->config->GetApiHost(), "/login"), body, "网络连接失败，登录失败！",
                  kSiteNetwork, reply))
        return false;
    token = GetReplyString(reply.text, "\"token\":\"");
    if (!RefuseUnlessSuccess(*this, reply, "登录失败！"))
        return false;
    if (token.empty()) {
        ReportTip({}, kSiteNoToken);
        return false;
    }
    return true;
}

void LoginCtrl::PublishToken()
{
    if (owner == nullptr || owner->config == nullptr) {
        ReportTip({}, kSiteTokenWithoutWindow);
        return;
    }
    owner->config->SetToken(token);
    if (dialog != nullptr)
        dialog->PostSuccessNotice();
}

} // namespace kh
