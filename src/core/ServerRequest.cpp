#include "core/ServerRequest.h"

#include "base/ReplyFields.h"
#include "http/HttpClient.h"

namespace kh {

std::string ServiceUrl(const std::string& host, const std::string& path)
{
    return "http://" + host + path;
}

bool PostForm(const TipSource& source, const std::string& url, const std::string& body,
              const std::string& networkMessage, int networkSite, ServerReply& reply)
{
    HttpClient client;
    client.Reset();
    client.UseUtf8();
    int error = client.Send(url, body, reply.text);
    if (error != 0) {
        source.ReportTip(networkMessage, networkSite, std::to_string(error) + ".");
        return false;
    }
    reply.code = GetReplyField(reply.text, "\"code\":", ",");
    reply.msg = GetReplyField(reply.text, "\"msg\":\"", "\"");
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
