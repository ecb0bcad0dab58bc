#pragma once
// A raw TCP server on loopback for protocol-level tests: it accepts connections one after another
// on a port the system picks, records the exact bytes of each request, and answers with scripted
// bytes (or lets a handler drive the socket). Used by the HTTP client tests and the benchmark.

#include "support/LoopbackSocket.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace kh::test {

class ScriptedServer
{
public:
    // Runs on the server thread for each connection, after the request has been read and recorded.
    // The socket is closed when the handler returns.
    using Handler = std::function<void(SocketHandle socket, const std::string& request)>;

    // Answers every connection with reply, then closes it.
    explicit ScriptedServer(std::string reply);
    explicit ScriptedServer(Handler handler);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    uint16_t Port() const { return port; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path = "/") const;

    // The bytes received on each connection so far, in order of arrival.
    std::vector<std::string> Requests() const;
    // Waits until count requests have been recorded; false when the deadline passed first.
    bool WaitForRequests(size_t count, std::chrono::milliseconds deadline = std::chrono::milliseconds(10000)) const;

    // Whether requests are recorded (on by default); a benchmark turns it off to run in constant memory.
    void KeepRequests(bool keep) { keepRequests = keep; }

    // Writes all of bytes to socket; false when the peer is gone.
    static bool SendAll(SocketHandle socket, std::string_view bytes) { return test::SendAll(socket, bytes); }
    // The Content-Length of a request's header block (any letter case), 0 when absent.
    static size_t RequestBodyLength(const std::string& headers);
    // Reads one request: the header block and as many body bytes as it announces, or what came
    // until readSome(buffer, size) returned 0 or less (the peer stopped). Shared with the TLS test
    // server, which reads through its TLS session.
    static std::string ReadHttpRequest(const std::function<long(char*, size_t)>& readSome);
    // A complete "200 OK" reply carrying body as JSON, with its length, closing the connection.
    static std::string JsonReply(const std::string& body);

private:
    void Run();
    std::string ReadRequest(SocketHandle socket) const;

    Handler handler;
    SocketHandle listenSocket = kNoSocket;
    uint16_t port = 0;
    // Set by the destructor, which then connects once to wake the accepting thread.
    std::atomic<bool> stopping{false};
    mutable std::mutex mutex;
    mutable std::condition_variable recorded;
    std::vector<std::string> requests;
    std::atomic<bool> keepRequests{true};
    std::thread thread;
};

} // namespace kh::test
