#include "support/SandboxProcess.h"

#include "platform/Json.h"

#include <cerrno>
#include <chrono>
#include <cjson/cJSON.h>
#include <cstdio>
#include <cstdlib>
#include <httplib.h>
#include <memory>
#include <poll.h>
#include <unistd.h>
#include <vector>

namespace kh::test {

namespace {

// Sanitizer builds start slowly; a healthy sandbox prints its port well within this.
constexpr auto kStartDeadline = std::chrono::seconds(20);
constexpr auto kStopDeadline = std::chrono::seconds(10);

std::string JsonQuoted(const std::string& text)
{
    JsonPtr item(cJSON_CreateString(text.c_str()));
    char* printed = cJSON_PrintUnformatted(item.get());
    std::string result = printed ? printed : "\"\"";
    cJSON_free(printed);
    return result;
}

} // namespace

SandboxProcess::SandboxProcess(const SandboxOptions& options)
{
#ifdef KH_SANDBOX_PATH
    Launch(KH_SANDBOX_PATH, options);
#else
    (void)options;
    error = "borvankh-sandbox was not built";
#endif
}

SandboxProcess::~SandboxProcess()
{
    Stop();
    if (!scenarioPath.empty())
        std::remove(scenarioPath.c_str());
}

bool SandboxProcess::Launch(const std::string& path, const SandboxOptions& options)
{
    std::vector<std::string> args = {path, "--port", "0"};
    std::string scenario = options.scenarioFile;
    if (!options.scenarioJson.empty()) {
        char name[] = "/tmp/kh-sandbox-scenario-XXXXXX";
        int fd = mkstemp(name);
        if (fd < 0) {
            error = "cannot create a scenario file";
            return false;
        }
        scenarioPath = name;
        const std::string& text = options.scenarioJson;
        bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        close(fd);
        if (!written) {
            error = "cannot write the scenario file";
            return false;
        }
        scenario = scenarioPath;
    }
    if (!scenario.empty())
        args.insert(args.end(), {"--scenario", scenario});
    if (options.seed)
        args.insert(args.end(), {"--seed", std::to_string(*options.seed)});
    if (options.threads > 0)
        args.insert(args.end(), {"--threads", std::to_string(options.threads)});

    const char* tsanOptions = std::getenv("TSAN_OPTIONS");
    std::string sandboxTsanOptions = tsanOptions ? tsanOptions : "";
#ifdef KH_TSAN_SUPPRESSIONS
    // Under ThreadSanitizer the sandbox's HTTP library is an uninstrumented shared library: the
    // sanitizer does not see its accesses and locking, and would take its work for races. The
    // suppressions silence reports from inside that library only; a race in the sandbox's own code
    // is still reported (and, with halt_on_error, stops the sandbox and fails the test).
    sandboxTsanOptions += " suppressions=\"" KH_TSAN_SUPPRESSIONS "\"";
#endif
    SpawnOptions spawn;
    spawn.environment = {"TSAN_OPTIONS=" + sandboxTsanOptions};
    spawn.pipeStdout = true;
    if (!process.Start(args, spawn)) {
        error = process.Error();
        return false;
    }
    bool ok = ReadPort(process.StdoutFd());
    // Nothing else is printed on stdout; the sandbox ignores a closed pipe.
    process.CloseStdout();
    if (!ok)
        Stop();
    return ok;
}

bool SandboxProcess::ReadPort(int fd)
{
    std::string line;
    auto deadline = std::chrono::steady_clock::now() + kStartDeadline;
    while (line.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            error = "the sandbox did not print its port in time";
            return false;
        }
        pollfd waitFor = {fd, POLLIN, 0};
        int ready = poll(&waitFor, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char buffer[64];
        ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            error = "the sandbox ended before printing its port";
            return false;
        }
        line.append(buffer, static_cast<size_t>(got));
    }
    port = std::atoi(line.c_str());
    if (port <= 0 || port > 65535) {
        port = 0;
        error = "the sandbox printed no port: " + line;
        return false;
    }
    return true;
}

int SandboxProcess::Stop()
{
    port = 0;
    return process.Stop(kStopDeadline);
}

std::string SandboxProcess::Host() const
{
    return "127.0.0.1:" + std::to_string(port);
}

std::string SandboxProcess::Url(const std::string& path) const
{
    return "http://" + Host() + path;
}

std::string SandboxProcess::Post(const std::string& path, const std::string& body, int* status)
{
    if (status)
        *status = -1;
    if (!Started())
        return {};
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(30, 0);
    auto result = client.Post(path.c_str(), body, "application/x-www-form-urlencoded");
    if (!result)
        return {};
    if (status)
        *status = result->status;
    return result->body;
}

bool SandboxProcess::ControlPost(const std::string& path, const std::string& json)
{
    int status = 0;
    std::string reply = Post(path, json, &status);
    return status == 200 && reply.find("\"ok\":true") != std::string::npos;
}

std::string SandboxProcess::State()
{
    if (!Started())
        return {};
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5, 0);
    client.set_read_timeout(30, 0);
    auto result = client.Get("/_sandbox/state");
    return result && result->status == 200 ? result->body : std::string();
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
