#pragma once
// One request to the sandbox the way the client makes it: a fresh HttpClient in UTF-8 mode posts
// the form body, and the reply's code and msg are read with GetReplyField. Shared by the sandbox
// tests.

#include "base/ReplyFields.h"
#include "http/HttpClient.h"
#include "platform/Json.h"
#include "support/SandboxProcess.h"

#include <cjson/cJSON.h>
#include <memory>
#include <string>
#include <vector>

namespace kh::test {

struct ClientReply
{
    int error = -1;
    std::string text;
    std::string code;
    std::string msg;

    std::string Field(const std::string& key, const std::string& end) const { return GetReplyField(text, key, end); }
};

inline ClientReply CallSandbox(SandboxProcess& sandbox, const std::string& path, const std::string& body,
                               int receiveTimeoutMs = 10000)
{
    HttpClient client;
    client.Reset();
    client.UseUtf8();
    client.SetTimeouts(10000, 10000, receiveTimeoutMs);
    ClientReply reply;
    reply.error = client.Send(sandbox.Url(path), body, reply.text);
    reply.code = GetReplyField(reply.text, "\"code\":", ",");
    reply.msg = GetReplyField(reply.text, "\"msg\":\"", "\"");
    return reply;
}

// The "mobile" members of a /get_mobile reply's list, read with cJSON as the client reads them.
inline std::vector<std::string> ListedMobiles(const std::string& reply, const char* member = "mobile")
{
    std::vector<std::string> values;
    kh::JsonPtr root = kh::ParseJson(reply);
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItem(root.get(), "list"))
    {
        const cJSON* value = cJSON_GetObjectItem(item, member);
        values.push_back(cJSON_IsString(value) ? value->valuestring : "");
    }
    return values;
}

} // namespace kh::test
