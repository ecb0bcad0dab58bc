#include "account/UpdateManager.h"

#include "base/ReplyFields.h"
#include "base/Version.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/MessageBoxPort.h"
#include "core/ports/ShellPort.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "settings/HostDefaults.h"

#include <cstdlib>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteWorkerThread = 2,
    kSiteStop = 3,
    kSiteClearBusy = 4,
    kSiteNetwork = 6,
    kSiteEmptyReply = 7,
    kSiteNoVersion = 8,
    kSiteUnreadableVersion = 9,
    kSiteNoUpdateText = 10,
    kSiteNoMessageBox = 11,
    kSiteOpenDownloadPage = 12,
};

// The build's version (project(VERSION)), the one the window's caption shows.
constexpr const char* kClientVersion = KH_VERSION;

} // namespace

UpdateManager::UpdateManager(OwnerWindow* owner, TipCallback callback, void* context, uint32_t checkInterval)
    : Manager("UpdateManager.", owner, callback, context), checkInterval(checkInterval)
{
}

UpdateManager::~UpdateManager()
{
    StopAndWait();
}

void UpdateManager::StartVersionCheck()
{
    StartWorker([this] { VersionCheckJob(); }, kSiteSignalBusy, kSiteWorkerThread, kSiteClearBusy);
}

void UpdateManager::StopVersionCheck()
{
    SignalStop(kSiteStop);
}

void UpdateManager::VersionCheckJob()
{
    for (;;) {
        std::string reply;
        if (!RetryUntilStopped([&] { return RequestVersion(reply); }))
            return;
        ParseVersion(reply);
        OfferUpdate();
        if (stopEvent.Wait(checkInterval))
            return;
    }
}

bool UpdateManager::RequestVersion(std::string& reply)
{
    std::string host = owner != nullptr && owner->config != nullptr ? owner->config->GetServicesHost()
                                                                    : std::string(kDefaultServicesHost);
    ServerReply answer;
    bool ok = PostForm(*this, ServiceUrl(host, "/get_version.aspx"), "soft_id=1",
                       "正在检查新版本...网络连接失败，检查失败！", kSiteNetwork, answer) &&
              RefuseUnlessSuccess(*this, answer, "正在检查新版本...检查失败！");
    reply = std::move(answer.text);
    return ok;
}

void UpdateManager::ParseVersion(const std::string& reply)
{
    if (reply.empty()) {
        ReportTip({}, kSiteEmptyReply);
        return;
    }
    version = AnsiToWide(GetReplyString(reply, "\"version\":\""));
    std::string notes = GetReplyString(reply, "\"update_content\":\"");
    // The notes carry their line breaks as CR LF (escaped in the reply, decoded by GetReplyString).
    ReplaceAll(notes, "\r\n", "\n");
    updateText = AnsiToWide(notes);
}

void UpdateManager::OfferUpdate()
{
    if (version.empty()) {
        ReportTip({}, kSiteNoVersion);
        return;
    }
    // Compared as numbers, the way the C library reads a leading decimal number: 1.1 equals 1.10,
    // 1.0.1 reads as 1.0, letters read as 0.
    double own = std::strtod(kClientVersion, nullptr);
    double latest = std::strtod(WideToAnsi(version).c_str(), nullptr);
    if (!(own > 0) || !(latest > 0)) {
        ReportTip({}, kSiteUnreadableVersion);
        return;
    }
    if (!(own < latest))
        return;
    if (updateText.empty()) {
        ReportTip({}, kSiteNoUpdateText);
        return;
    }
    std::u16string message = u"发现新版本（v" + version + u"）：\n\n" + updateText + u"\n\n确定要下载新版本吗？";
    if (owner == nullptr || owner->controls.messageBox == nullptr) {
        ReportTip({}, kSiteNoMessageBox);
        return;
    }
    if (owner->controls.messageBox->Show(message, u"更新软件", kMbOkCancel | kMbIconInformation, true) != kIdOk)
        return;
    std::string site = owner->config != nullptr ? owner->config->GetWebSite() : std::string(kDefaultWebSite);
    long result =
        owner->controls.shell != nullptr ? owner->controls.shell->OpenUrl(AnsiToWide(ServiceUrl(site, "/soft/"))) : 0;
    if (result <= 32)
        ReportTip({}, kSiteOpenDownloadPage);
}

} // namespace kh
