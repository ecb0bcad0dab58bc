#include "FaultInjector.h"

#include <chrono>
#include <cjson/cJSON.h>
#include <memory>

namespace kh::sandbox {

FaultInjector::FaultInjector(uint64_t seed) : random(seed ^ 0x5DEECE66Dull) {}

bool FaultInjector::ParseKind(const std::string& text, FaultKind& kind)
{
    static const std::map<std::string, FaultKind> kinds = {
        {"latency", FaultKind::Latency},
        {"close", FaultKind::CloseWithoutReply},
        {"close_after_headers", FaultKind::CloseAfterHeaders},
        {"http500", FaultKind::Http500},
        {"malformed", FaultKind::MalformedJson},
        {"reply", FaultKind::Reply},
        {"cut", FaultKind::Cut},
    };
    auto it = kinds.find(text);
    if (it == kinds.end())
        return false;
    kind = it->second;
    return true;
}

bool FaultInjector::AddRule(const std::string& json, std::string& error)
{
    std::unique_ptr<cJSON, decltype(&cJSON_Delete)> root(cJSON_ParseWithLength(json.data(), json.size()), cJSON_Delete);
    if (!root || !cJSON_IsObject(root.get())) {
        error = "the body must be a JSON object";
        return false;
    }
    const cJSON* path = cJSON_GetObjectItemCaseSensitive(root.get(), "path");
    const cJSON* kind = cJSON_GetObjectItemCaseSensitive(root.get(), "kind");
    if (!cJSON_IsString(path) || path->valuestring[0] == '\0') {
        error = "\"path\" must name a path, or \"*\" for every path";
        return false;
    }
    FaultRule rule;
    if (!cJSON_IsString(kind) || !ParseKind(kind->valuestring, rule.kind)) {
        error = "\"kind\" must be latency, close, close_after_headers, http500, malformed, reply or cut";
        return false;
    }
    const cJSON* count = cJSON_GetObjectItemCaseSensitive(root.get(), "count");
    const cJSON* probability = cJSON_GetObjectItemCaseSensitive(root.get(), "probability");
    const cJSON* latency = cJSON_GetObjectItemCaseSensitive(root.get(), "latency_ms");
    const cJSON* code = cJSON_GetObjectItemCaseSensitive(root.get(), "code");
    const cJSON* msg = cJSON_GetObjectItemCaseSensitive(root.get(), "msg");
    const cJSON* body = cJSON_GetObjectItemCaseSensitive(root.get(), "body");
    if (count) {
        if (!cJSON_IsNumber(count) || count->valuedouble < 0) {
            error = "\"count\" must be a number of requests";
            return false;
        }
        rule.remaining = static_cast<int64_t>(count->valuedouble);
    }
    if (probability) {
        if (!cJSON_IsNumber(probability) || probability->valuedouble < 0 || probability->valuedouble > 1) {
            error = "\"probability\" must lie between 0 and 1";
            return false;
        }
        rule.probability = probability->valuedouble;
    }
    if (!count && !probability) {
        error = "give \"count\", \"probability\" or both";
        return false;
    }
    if (rule.kind == FaultKind::Latency) {
        if (!cJSON_IsNumber(latency) || latency->valuedouble < 0 || latency->valuedouble > 600000) {
            error = "\"latency_ms\" must be 0 to 600000";
            return false;
        }
        rule.latencyMs = static_cast<int64_t>(latency->valuedouble);
    }
    if (rule.kind == FaultKind::Reply) {
        if (cJSON_IsNumber(code))
            rule.code = std::to_string(static_cast<long long>(code->valuedouble));
        else if (cJSON_IsString(code))
            rule.code = code->valuestring;
        else {
            error = "\"code\" must be given for a reply fault";
            return false;
        }
        rule.msg = cJSON_IsString(msg) ? msg->valuestring : "";
    }
    if (rule.kind == FaultKind::MalformedJson && cJSON_IsString(body))
        rule.body = body->valuestring;
    if (rule.kind == FaultKind::Cut) {
        const cJSON* drop = cJSON_GetObjectItemCaseSensitive(root.get(), "drop_bytes");
        const cJSON* close = cJSON_GetObjectItemCaseSensitive(root.get(), "close");
        if (!cJSON_IsNumber(drop) || drop->valuedouble < 1 || drop->valuedouble > 1048576) {
            error = "\"drop_bytes\" must be 1 to 1048576";
            return false;
        }
        if (close != nullptr && !cJSON_IsBool(close)) {
            error = "\"close\" must be true or false";
            return false;
        }
        rule.dropBytes = static_cast<int64_t>(drop->valuedouble);
        rule.closeMidBody = cJSON_IsTrue(close);
    }

    std::lock_guard<std::mutex> lock(mutex);
    if (rule.remaining == 0)
        rules.erase(path->valuestring);
    else
        rules[path->valuestring] = rule;
    return true;
}

void FaultInjector::Clear()
{
    std::lock_guard<std::mutex> lock(mutex);
    rules.clear();
}

void FaultInjector::Reseed(uint64_t seed)
{
    std::lock_guard<std::mutex> lock(mutex);
    random.seed(seed ^ 0x5DEECE66Dull);
}

std::optional<FaultRule> FaultInjector::Take(const std::string& path)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (rules.empty())
        return std::nullopt;
    auto it = rules.find(path);
    if (it == rules.end())
        it = rules.find("*");
    if (it == rules.end())
        return std::nullopt;
    FaultRule& rule = it->second;
    if (rule.probability < 1.0) {
        double draw = static_cast<double>(random() >> 11) * (1.0 / 9007199254740992.0);
        if (draw >= rule.probability)
            return std::nullopt;
    }
    FaultRule taken = rule;
    if (rule.remaining > 0 && --rule.remaining == 0)
        rules.erase(it);
    return taken;
}

void FaultInjector::Delay(int64_t ms)
{
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return shuttingDown; });
}

void FaultInjector::Shutdown()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        shuttingDown = true;
    }
    wake.notify_all();
}

} // namespace kh::sandbox
