#include "support/SandboxProcess.h"

#include <cerrno>
#include <chrono>
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

} // namespace

SandboxProcess::SandboxProcess(const SandboxOptions& options)
{
    Launch(KH_SANDBOX_PATH, options);
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

} // namespace kh::test
