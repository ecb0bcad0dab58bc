#include "support/SandboxProcess.h"

#include "platform/Json.h"

#include <cjson/cJSON.h>

namespace kh::test {

namespace {

std::string JsonQuoted(const std::string& text)
{
    JsonPtr item(cJSON_CreateString(text.c_str()));
    char* printed = cJSON_PrintUnformatted(item.get());
    std::string result = printed ? printed : "\"\"";
    cJSON_free(printed);
    return result;
}

} // namespace

std::string SandboxProcess::Host() const
{
    return "127.0.0.1:" + std::to_string(port);
}

std::string SandboxProcess::Url(const std::string& path) const
{
    return "http://" + Host() + path;
}

bool SandboxProcess::ControlPost(const std::string& path, const std::string& json)
{
    int status = 0;
    std::string reply = Post(path, json, &status);
    return status == 200 && reply.find("\"ok\":true") != std::string::npos;
}

int64_t SandboxProcess::RequestCount(const std::string& path)
{
    std::string state = State();
    JsonPtr root = ParseJson(state);
    if (!root)
        return -1;
    const cJSON* requests = cJSON_GetObjectItemCaseSensitive(root.get(), "requests");
    const cJSON* count = cJSON_GetObjectItemCaseSensitive(requests, path.c_str());
    return cJSON_IsNumber(count) ? static_cast<int64_t>(count->valuedouble) : 0;
}

std::string SandboxProcess::NumberStatus(const std::string& user, const std::string& mobile)
{
    std::string state = State();
    JsonPtr root = ParseJson(state);
    const cJSON* account = nullptr;
    cJSON_ArrayForEach(account, cJSON_GetObjectItemCaseSensitive(root.get(), "accounts"))
    {
        const cJSON* name = cJSON_GetObjectItemCaseSensitive(account, "user");
        if (!cJSON_IsString(name) || user != name->valuestring)
            continue;
        const cJSON* number = nullptr;
        cJSON_ArrayForEach(number, cJSON_GetObjectItemCaseSensitive(account, "held"))
        {
            const cJSON* held = cJSON_GetObjectItemCaseSensitive(number, "mobile");
            const cJSON* status = cJSON_GetObjectItemCaseSensitive(number, "status");
            if (cJSON_IsString(held) && mobile == held->valuestring && cJSON_IsString(status))
                return status->valuestring;
        }
    }
    return {};
}

bool SandboxProcess::Deliver(const std::string& mobile, const std::string& text)
{
    return ControlPost("/_sandbox/deliver",
                       "{\"mobile\":" + JsonQuoted(mobile) + ",\"text\":" + JsonQuoted(text) + "}");
}

bool SandboxProcess::SetOffline(const std::string& mobile)
{
    return ControlPost("/_sandbox/offline", "{\"mobile\":" + JsonQuoted(mobile) + "}");
}

bool SandboxProcess::AdvanceClock(int64_t ms)
{
    return ControlPost("/_sandbox/clock", "{\"advance_ms\":" + std::to_string(ms) + "}");
}

bool SandboxProcess::InjectFault(const SandboxFault& fault)
{
    std::string json = "{\"path\":" + JsonQuoted(fault.path) + ",\"kind\":" + JsonQuoted(fault.kind);
    if (fault.count >= 0)
        json += ",\"count\":" + std::to_string(fault.count);
    if (fault.probability >= 0)
        json += ",\"probability\":" + std::to_string(fault.probability);
    json += ",\"latency_ms\":" + std::to_string(fault.latencyMs);
    if (!fault.code.empty())
        json += ",\"code\":" + JsonQuoted(fault.code) + ",\"msg\":" + JsonQuoted(fault.msg);
    if (!fault.body.empty())
        json += ",\"body\":" + JsonQuoted(fault.body);
    if (fault.dropBytes > 0)
        json += ",\"drop_bytes\":" + std::to_string(fault.dropBytes) +
                ",\"close\":" + (fault.closeMidBody ? "true" : "false");
    return ControlPost("/_sandbox/fault", json + "}");
}

bool SandboxProcess::ClearFaults()
{
    return ControlPost("/_sandbox/faults/clear", "{}");
}

bool SandboxProcess::Reset()
{
    return ControlPost("/_sandbox/reset", "{}");
}

std::string SandboxProcess::Login(const std::string& user, const std::string& pwd)
{
    std::string reply = Post("/login", "user=" + user + "&pwd=" + pwd);
    JsonPtr root = ParseJson(reply);
    const cJSON* token = cJSON_GetObjectItemCaseSensitive(root.get(), "token");
    return cJSON_IsString(token) ? token->valuestring : std::string();
}

} // namespace kh::test
