#include "core/ServerRequest.h"

#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/UnverifiedNotice.h"
#include "core/ports/StatusBarPort.h"
#include "http/HttpClient.h"
#include "http/HttpErrors.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <mutex>

namespace kh {

std::string ServiceUrl(const std::string& host, const std::string& path)
{
    if (host.rfind("https://", 0) == 0)
        return host + path;
    return "http://" + host + path;
}

int SendForm(const Manager& source, const std::string& url, const std::string& body, ServerReply& reply,
             std::string& tlsProblem)
{
    tlsProblem.clear();
    HttpClient client;
    client.Reset();
    client.UseUtf8();
    if (OwnerWindow* owner = source.Owner(); owner != nullptr && owner->config != nullptr) {
        SettingsValues settings = owner->config->Snapshot();
        TlsOptions tls;
        tls.caFile = WideToAnsi(settings.tlsCaFile);
        tls.insecure = settings.tlsInsecure != 0;
        client.SetTls(tls);
    }
    client.SetStopEvent(&source.stopEvent);
    int error = client.Send(url, body, reply.text);
    reply.status = client.LastStatus();
    if (client.LastRequestUnverified()) {
        OwnerWindow* owner = source.Owner();
        UnverifiedNotice* notice = owner != nullptr ? owner->unverifiedNotice : nullptr;
        if (notice == nullptr || notice->Claim()) {
            source.ReportTip(kTlsUnverifiedText, 0);
            if (notice != nullptr && owner->controls.statusBar != nullptr)
                owner->controls.statusBar->SetPaneText(StatusBarPort::kNoticePane, kTlsUnverifiedMark);
        }
    }
    if (error != 0) {
        if (error == kErrTlsCertificate || error == kErrTlsCaFile)
            tlsProblem = TlsProblemText(client.LastTlsProblem());
        if (!client.PartialReply().empty()) {
            reply.text = client.PartialReply();
            reply.partial = true;
            reply.code = GetReplyField(reply.text, "\"code\":", ",");
            reply.msg = GetReplyString(reply.text, "\"msg\":\"");
        }
        return error;
    }
    reply.code = GetReplyField(reply.text, "\"code\":", ",");
    reply.msg = GetReplyString(reply.text, "\"msg\":\"");
    return 0;
}

bool PostForm(const Manager& source, const std::string& url, const std::string& body, const std::string& networkMessage,
              int networkSite, ServerReply& reply)
{
    std::string tlsProblem;
    int error = SendForm(source, url, body, reply, tlsProblem);
    if (error != 0) {
        source.ReportTip(networkMessage + tlsProblem, networkSite, std::to_string(error) + ".");
        return false;
    }
    return true;
}

std::string HttpStatusNote(const ServerReply& reply)
{
    if (reply.status == 0 || reply.status == 200)
        return {};
    return "（HTTP " + std::to_string(reply.status) + "）";
}

bool RefuseUnlessSuccess(const TipSource& source, const ServerReply& reply, const std::string& refusalPrefix)
{
    if (reply.code == "0")
        return true;
    source.ReportTip(refusalPrefix + reply.code + reply.msg, 0);
    return false;
}

} // namespace kh
