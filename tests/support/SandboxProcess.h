#pragma once
// Starts the built borvankh-sandbox for one test (or fixture) on a free loopback port and stops it
// again: SIGTERM in the destructor, SIGKILL if it has not ended within a few seconds, and the child
// is always reaped. Also wraps the sandbox's control endpoints (state, SMS delivery, offline
// numbers, clock, faults, reset) and offers a plain POST for setting up state, so tests can arrange
// and inspect what the client under test then sees. Used by every test that talks to the sandbox.
// On Windows (win32/SandboxProcess.cpp) a test cannot start the Linux sandbox: it uses the one
// scripts/test-windows started, named by KH_WINDOWS_SANDBOX (127.0.0.1:PORT), reset to the test's
// scenario and seed (/_sandbox/reset), and Stop leaves it running. The test programs that use it
// run one at a time there (a CTest resource lock). A test that asks for threads of its own, or
// runs without KH_WINDOWS_SANDBOX, gets none, and SkipReason() says why (KH_REQUIRE_SANDBOX skips).

#include "support/ChildProcess.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kh::test {

struct SandboxOptions
{
    std::string scenarioJson; // written to a temporary file and passed as --scenario
    std::string scenarioFile; // used as it is when scenarioJson is empty
    std::optional<uint64_t> seed;
    int threads = 0; // 0: the sandbox's default
};

// A fault as the control endpoint takes it. kind: latency, close, close_after_headers, http500,
// malformed, reply, cut. count < 0 and probability < 0 mean "not given" (give at least one).
struct SandboxFault
{
    std::string path;
    std::string kind;
    int64_t count = 1;
    double probability = -1;
    int64_t latencyMs = 0;
    std::string code;
    std::string msg;
    std::string body;
    int64_t dropBytes = 0;     // cut: bytes left off the end of the endpoint's reply
    bool closeMidBody = false; // cut: the whole length announced, then the connection closed
};

class SandboxProcess final
{
public:
    explicit SandboxProcess(const SandboxOptions& options = {});
    ~SandboxProcess();
    SandboxProcess(const SandboxProcess&) = delete;
    SandboxProcess& operator=(const SandboxProcess&) = delete;

    // True once the sandbox has printed its port; otherwise Error() says why.
    bool Started() const { return port > 0; }
    const std::string& Error() const { return error; }
    // Why the sandbox this test asks for cannot be had on this system (a test to skip, not a
    // failure); empty otherwise.
    const std::string& SkipReason() const { return skipReason; }
    int Port() const { return port; }
    // The sandbox's process id while it runs (for reading its /proc entries), else -1.
    pid_t Pid() const { return process.Pid(); }
    // "127.0.0.1:PORT": the value for the host settings.
    std::string Host() const;
    std::string Url(const std::string& path) const;

    // The state dump as JSON text; empty on failure.
    std::string State();
    // How many requests the sandbox has counted for path (-1 when the state cannot be read).
    int64_t RequestCount(const std::string& path);
    // The status of a number held by account user ("waiting", "received", "offline"), or empty.
    std::string NumberStatus(const std::string& user, const std::string& mobile);
    bool Deliver(const std::string& mobile, const std::string& text = {});
    bool SetOffline(const std::string& mobile);
    bool AdvanceClock(int64_t ms);
    bool InjectFault(const SandboxFault& fault);
    bool ClearFaults();
    bool Reset();

    // One POST through a plain HTTP client (not the client under test); the reply body, or empty
    // with status set to -1 when the request failed.
    std::string Post(const std::string& path, const std::string& body, int* status = nullptr);
    // Signs in and returns the token, empty on failure.
    std::string Login(const std::string& user = "demo", const std::string& pwd = "demo");

    // Stops the sandbox now; its exit status (0 after a clean shutdown), -1 when it had to be killed.
    int Stop();

private:
    bool Launch(const std::string& path, const SandboxOptions& options);
    bool ReadPort(int fd);
    bool ControlPost(const std::string& path, const std::string& json);

    ChildProcess process;
    int port = 0;
    std::string error;
    std::string skipReason;
    std::string scenarioPath; // temporary file to remove, if any
};

} // namespace kh::test

// In a GoogleTest body: skips the test when its sandbox cannot be had on this system, else asserts
// that it started.
#define KH_REQUIRE_SANDBOX(sandbox)                                                                                    \
    do {                                                                                                               \
        if (!(sandbox).SkipReason().empty())                                                                           \
            GTEST_SKIP() << (sandbox).SkipReason();                                                                    \
        ASSERT_TRUE((sandbox).Started()) << (sandbox).Error();                                                         \
    } while (false)
