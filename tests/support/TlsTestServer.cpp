#include "support/TlsTestServer.h"

#include "support/LoopbackSocket.h"
#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace kh::test {
namespace {

SSL_CTX* MakeContext(const TestCertificate& certificate)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (context == nullptr)
        throw std::runtime_error("TlsTestServer: SSL_CTX_new");
    BIO* certificateBio =
        BIO_new_mem_buf(certificate.certificatePem.data(), static_cast<int>(certificate.certificatePem.size()));
    BIO* keyBio = BIO_new_mem_buf(certificate.keyPem.data(), static_cast<int>(certificate.keyPem.size()));
    X509* cert = certificateBio != nullptr ? PEM_read_bio_X509(certificateBio, nullptr, nullptr, nullptr) : nullptr;
    EVP_PKEY* key = keyBio != nullptr ? PEM_read_bio_PrivateKey(keyBio, nullptr, nullptr, nullptr) : nullptr;
    bool ok = cert != nullptr && key != nullptr && SSL_CTX_use_certificate(context, cert) == 1 &&
              SSL_CTX_use_PrivateKey(context, key) == 1 && SSL_CTX_check_private_key(context) == 1;
    X509_free(cert);
    EVP_PKEY_free(key);
    BIO_free(certificateBio);
    BIO_free(keyBio);
    if (!ok) {
        SSL_CTX_free(context);
        throw std::runtime_error("TlsTestServer: certificate or key");
    }
    return context;
}

} // namespace

bool TlsTestServer::Connection::Send(std::string_view bytes)
{
    while (!bytes.empty()) {
        int n = SSL_write(static_cast<SSL*>(ssl), bytes.data(), static_cast<int>(bytes.size()));
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

void TlsTestServer::Connection::WaitForClose()
{
    char buffer[256];
    while (SSL_read(static_cast<SSL*>(ssl), buffer, sizeof buffer) > 0) {
    }
}

TlsTestServer::TlsTestServer(const TestCertificate& certificate, std::string reply)
    : TlsTestServer(certificate, Handler([reply = std::move(reply)](Connection& connection, const std::string&) {
                        connection.Send(reply);
                    }))
{
}

TlsTestServer::TlsTestServer(const TestCertificate& certificate, Handler handler)
    : handler(std::move(handler)), context(MakeContext(certificate))
{
    listenSocket = OpenLoopbackListener("TlsTestServer", port);
    if (::pipe(wakePipe) != 0)
        throw std::runtime_error("TlsTestServer: pipe");
    thread = std::thread([this] { Run(); });
}

TlsTestServer::~TlsTestServer()
{
    char wake = 1;
    (void)!::write(wakePipe[1], &wake, 1);
    thread.join();
    ::close(listenSocket);
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
    SSL_CTX_free(static_cast<SSL_CTX*>(context));
}

std::string TlsTestServer::Url(const std::string& host, const std::string& path) const
{
    return "https://" + host + ":" + std::to_string(port) + path;
}

std::vector<std::string> TlsTestServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

std::vector<std::string> TlsTestServer::ServerNames() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return serverNames;
}

size_t TlsTestServer::Connections() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return accepted;
}

bool TlsTestServer::WaitForConnections(size_t count, std::chrono::milliseconds deadline) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return served.wait_for(lock, deadline, [&] { return finished >= count; });
}

void TlsTestServer::Run()
{
    // OpenSSL writes with plain write(): a client that has gone away must give an error here, not
    // a SIGPIPE that ends the test process. A blocked SIGPIPE raised by this thread stays pending
    // on it and is dropped when the thread ends.
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &blocked, nullptr);

    for (;;) {
        pollfd fds[2] = {{listenSocket, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        int socket = ::accept4(listenSocket, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket == -1)
            continue;
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++accepted;
        }
        // A client that never finishes its handshake or request must not hold the server forever.
        timeval limit{10, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        Serve(socket);
        ::close(socket);
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++finished;
        }
        served.notify_all();
    }
}

void TlsTestServer::Serve(int socket)
{
    SSL* ssl = SSL_new(static_cast<SSL_CTX*>(context));
    if (ssl == nullptr)
        return;
    SSL_set_fd(ssl, socket);
    if (SSL_accept(ssl) != 1) {
        // The client refused the certificate (or went away): nothing to record.
        ERR_clear_error();
        SSL_free(ssl);
        return;
    }
    const char* name = SSL_get_servername(ssl, TLSEXT_NAMETYPE_host_name);

    std::string request = ScriptedServer::ReadHttpRequest(
        [ssl](char* buffer, size_t size) { return static_cast<long>(SSL_read(ssl, buffer, static_cast<int>(size))); });
    {
        std::lock_guard<std::mutex> lock(mutex);
        requests.push_back(request);
        serverNames.emplace_back(name != nullptr ? name : "");
    }
    Connection connection(ssl);
    handler(connection, request);
    SSL_shutdown(ssl);
    ERR_clear_error();
    SSL_free(ssl);
}

} // namespace kh::test
