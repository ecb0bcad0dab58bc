#pragma once
// The sandbox's HTTP/1.1 server on cpp-httplib: one port serves the API, the version check and the
// web pages, plus the control endpoints under /_sandbox/ that tests use to read the state, deliver
// SMS, take numbers offline, reset and inject faults. main.cpp builds one and runs it until a signal.

#include "FaultInjector.h"
#include "SandboxClock.h"
#include "SandboxState.h"
#include "Scenario.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

namespace kh::sandbox {

class SandboxServer final
{
public:
    // Request bodies above this size are refused with HTTP 413.
    static constexpr size_t kMaxBodyBytes = 64 * 1024;

    SandboxServer(const Scenario& scenario, uint64_t seed, int threads);
    ~SandboxServer();
    SandboxServer(const SandboxServer&) = delete;
    SandboxServer& operator=(const SandboxServer&) = delete;

    // Binds address:port (0 picks a free port); the bound port, or -1 with error set.
    int Bind(const std::string& address, int port, std::string& error);
    // Serves until Stop; false when the server could not run.
    bool Run();
    // Ends Run: stops accepting, ends injected delays, lets running requests finish. Any thread.
    void Stop();

private:
    class HttpServer;

    void Handle(const httplib::Request& request, httplib::Response& response);
    void HandleControl(const httplib::Request& request, httplib::Response& response);
    // False when the fault took the request's place entirely.
    // false when the fault replaced the reply; a fault that changes the reply after the endpoint
    // has done its work is left in after.
    bool ApplyFault(const httplib::Request& request, httplib::Response& response, std::optional<FaultRule>& after);

    std::atomic<uint64_t> seed;
    SandboxClock clock;
    SandboxState state;
    FaultInjector faults;
    std::unique_ptr<HttpServer> http;
};

} // namespace kh::sandbox
