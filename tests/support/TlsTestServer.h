#pragma once
// An HTTPS server on loopback for protocol-level tests, the TLS counterpart of ScriptedServer: it
// accepts connections one after another on a port the system picks, completes the TLS handshake
// with a certificate made at test time (TestCertificates.h), records each request's bytes and the
// TLS server name the client asked for, and answers with scripted bytes (or lets a handler write
// them piece by piece). A handshake the client refuses is counted, not recorded.

#include "support/TestCertificates.h"

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

class TlsTestServer
{
public:
    // One accepted TLS connection, for a handler that writes its reply in pieces.
    class Connection
    {
    public:
        explicit Connection(void* ssl) : ssl(ssl) {}
        // Writes all of bytes; false when the peer is gone.
        bool Send(std::string_view bytes);
        // Reads and drops whatever the client sends until it closes the connection (at most the
        // server's ten-second receive limit), for replies that must not end with the connection.
        void WaitForClose();

    private:
        void* ssl; // SSL*
    };

    // Runs on the server thread for each connection whose request has been read and recorded.
    // The connection is closed when the handler returns.
    using Handler = std::function<void(Connection& connection, const std::string& request)>;

    // Answers every request with reply, then closes the connection.
    TlsTestServer(const TestCertificate& certificate, std::string reply);
    TlsTestServer(const TestCertificate& certificate, Handler handler);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    uint16_t Port() const { return port; }
    // "https://" + host + ":<port>" + path.
    std::string Url(const std::string& host, const std::string& path = "/") const;

    // The bytes of each request whose handshake succeeded, in order of arrival.
    std::vector<std::string> Requests() const;
    // The TLS server name (SNI) of each such request, empty when the client sent none.
    std::vector<std::string> ServerNames() const;
    // TCP connections accepted so far, with or without a successful handshake.
    size_t Connections() const;
    // Waits until count connections have been dealt with (handshake refused or request answered);
    // false when the deadline passed first.
    bool WaitForConnections(size_t count, std::chrono::milliseconds deadline = std::chrono::milliseconds(10000)) const;

private:
    void Run();
    void Serve(int socket);

    Handler handler;
    void* context = nullptr; // SSL_CTX*
    int listenSocket = -1;
    int wakePipe[2] = {-1, -1};
    uint16_t port = 0;
    mutable std::mutex mutex;
    mutable std::condition_variable served;
    std::vector<std::string> requests;
    std::vector<std::string> serverNames;
    size_t accepted = 0;
    size_t finished = 0;
    std::thread thread;
};

} // namespace kh::test
