#include "core/ServerRequest.h"

#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
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

bool PostForm(const Manager& source, const std::string& url, const std::string& body, const std::string& networkMessage,
              int networkSite, ServerReply& reply)
{
    HttpClient client;
    client.Reset();
    client.UseUtf8();
    if (OwnerWindow* owner = source.Owner(); owner != nullptr && owner->config != nullptr) {
        TlsOptions tls;
        {
            std::lock_guard<CriticalSection> guard(owner->config->SettingsLock());
            tls.caFile = WideToAnsi(owner->config->tlsCaFile);
            tls.insecure = owner->config->tlsInsecure != 0;
        }
        client.SetTls(tls);
    }
    int error = client.Send(url, body, reply.text);
    if (client.LastRequestUnverified())
        source.ReportTip(kTlsUnverifiedText, 0);
    if (error != 0) {
        std::string message = networkMessage;
        if (error == kErrTlsCertificate || error == kErrTlsCaFile)
            message += TlsProblemText(client.LastTlsProblem());
        source.ReportTip(message, networkSite, std::to_string(error) + ".");
        return false;
    }
    reply.code = GetReplyField(reply.text, "\"code\":", ",");
    reply.msg = GetReplyString(reply.text, "\"msg\":\"");
    return true;
}

bool RefuseUnlessSuccess(const TipSource& source, const ServerReply& reply, const std::string& refusalPrefix)
{
    if (reply.code == "0")
        return true;
    source.ReportTip(refusalPrefix + reply.code + reply.msg, 0);
    return false;
}

} // namespace kh
