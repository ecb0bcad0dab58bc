#include "support/SandboxProcess.h"

#include "support/LoopbackSocket.h"
#include "support/TempSettingsDir.h"

#include <cstdlib>
#include <random>
#include <string>

namespace kh::test {

namespace {

constexpr int kReplyTimeoutMs = 30000;

// One request over a fresh loopback connection, closed by the server after the reply: the status
// and the body, or -1 when the exchange failed.
int Exchange(int port, const std::string& method, const std::string& path, const std::string& body,
             std::string& replyBody)
{
    replyBody.clear();
    SocketHandle socket = ConnectLoopback(static_cast<uint16_t>(port));
    if (socket == kNoSocket)
        return -1;
    SetSocketTimeouts(socket, kReplyTimeoutMs);
    std::string request =
        method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nConnection: close\r\n";
    if (method == "POST")
        request += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
                   "\r\n";
    request += "\r\n" + body;
    std::string reply;
    if (SendAll(socket, request)) {
        char buffer[16384];
        long n;
        while ((n = ReceiveSome(socket, buffer, sizeof buffer)) > 0)
            reply.append(buffer, static_cast<size_t>(n));
    }
    CloseSocket(socket);
    // "HTTP/1.1 200 OK\r\n...\r\n\r\nbody": the server ends the connection after the body.
    size_t headersEnd = reply.find("\r\n\r\n");
    if (reply.compare(0, 5, "HTTP/") != 0 || headersEnd == std::string::npos)
        return -1;
    size_t space = reply.find(' ');
    int status = std::atoi(reply.c_str() + space + 1);
    replyBody = reply.substr(headersEnd + 4);
    return status;
}

} // namespace

SandboxProcess::SandboxProcess(const SandboxOptions& options)
{
    if (options.threads > 0) {
        skipReason = "this test needs a sandbox with threads of its own, which a Windows test cannot start";
        error = skipReason;
        return;
    }
    const char* shared = std::getenv("KH_WINDOWS_SANDBOX");
    std::string address = shared != nullptr ? shared : "";
    size_t colon = address.rfind(':');
    if (address.empty() || colon == std::string::npos || address.substr(0, colon) != "127.0.0.1") {
        skipReason = "no sandbox: scripts/test-windows starts one and names it in KH_WINDOWS_SANDBOX (127.0.0.1:PORT)";
        error = skipReason;
        return;
    }
    int given = std::atoi(address.c_str() + colon + 1);
    if (given <= 0 || given > 65535) {
        error = "KH_WINDOWS_SANDBOX has no port: " + address;
        return;
    }
    std::string scenario = options.scenarioJson;
    if (scenario.empty() && !options.scenarioFile.empty()) {
        scenario = TempSettingsDir::ReadFile(options.scenarioFile);
        if (scenario.empty()) {
            error = "cannot read the scenario file " + options.scenarioFile;
            return;
        }
    }
    // Without a seed the sandbox picks one at random, as a sandbox of its own would.
    uint64_t seed = options.seed ? *options.seed : (static_cast<uint64_t>(std::random_device{}()) << 20);
    port = given;
    // A fresh sandbox for this test: its scenario and seed, the state, the faults and the clock as
    // at a start.
    std::string body = "{\"scenario\":" + (scenario.empty() ? std::string("\"built-in\"") : scenario) +
                       ",\"seed\":" + std::to_string(seed) + "}";
    int status = 0;
    std::string reply = Post("/_sandbox/reset", body, &status);
    if (status != 200 || reply.find("\"ok\":true") == std::string::npos) {
        error = "the sandbox at " + address + " did not take the test's scenario: " + reply;
        port = 0;
    }
}

SandboxProcess::~SandboxProcess()
{
    Stop();
}

int SandboxProcess::Stop()
{
    // The shared sandbox outlives the test; what the test injected goes with it.
    if (port > 0)
        ClearFaults();
    port = 0;
    return 0;
}

std::string SandboxProcess::Post(const std::string& path, const std::string& body, int* status)
{
    if (status)
        *status = -1;
    if (!Started())
        return {};
    std::string reply;
    int code = Exchange(port, "POST", path, body, reply);
    if (status)
        *status = code;
    return code < 0 ? std::string() : reply;
}

std::string SandboxProcess::State()
{
    if (!Started())
        return {};
    std::string reply;
    return Exchange(port, "GET", "/_sandbox/state", {}, reply) == 200 ? reply : std::string();
}

} // namespace kh::test
