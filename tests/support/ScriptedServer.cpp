#include "support/ScriptedServer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace kh::test {

size_t ScriptedServer::RequestBodyLength(const std::string& headers)
{
    std::string lower = headers;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    size_t pos = lower.find("\r\ncontent-length:");
    if (pos == std::string::npos)
        return 0;
    return std::strtoul(lower.c_str() + pos + 17, nullptr, 10);
}

int ScriptedServer::OpenLoopbackListener(const char* owner, uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        throw std::runtime_error(std::string(owner) + ": socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(fd);
        throw std::runtime_error(std::string(owner) + ": bind");
    }
    port = ntohs(address.sin_port);
    return fd;
}

std::string ScriptedServer::JsonReply(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}
ScriptedServer::ScriptedServer(std::string reply)
    : ScriptedServer(Handler([reply = std::move(reply)](int socket, const std::string&) { SendAll(socket, reply); }))
{
}

ScriptedServer::ScriptedServer(Handler handler) : handler(std::move(handler))
{
    listenSocket = OpenLoopbackListener("ScriptedServer", port);
    if (::pipe(wakePipe) != 0)
        throw std::runtime_error("ScriptedServer: pipe");
    thread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer()
{
    char wake = 1;
    (void)!::write(wakePipe[1], &wake, 1);
    thread.join();
    ::close(listenSocket);
    ::close(wakePipe[0]);
    ::close(wakePipe[1]);
}

std::string ScriptedServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

std::vector<std::string> ScriptedServer::Requests() const
{
    std::lock_guard<std::mutex> lock(mutex);
    return requests;
}

bool ScriptedServer::WaitForRequests(size_t count, std::chrono::milliseconds deadline) const
{
    std::unique_lock<std::mutex> lock(mutex);
    return recorded.wait_for(lock, deadline, [&] { return requests.size() >= count; });
}

bool ScriptedServer::SendAll(int socket, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string ScriptedServer::ReadRequest(int socket) const
{
    // Reads the header block and as many body bytes as it announces, or until the peer stops.
    std::string request;
    size_t wanted = std::string::npos;
    char buffer[4096];
    while (wanted == std::string::npos || request.size() < wanted) {
        ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        request.append(buffer, static_cast<size_t>(n));
        if (wanted == std::string::npos) {
            size_t end = request.find("\r\n\r\n");
            if (end != std::string::npos)
                wanted = end + 4 + RequestBodyLength(request.substr(0, end + 2));
        }
    }
    return request;
}

void ScriptedServer::Run()
{
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
        // A client that never finishes its request must not hold the server forever.
        timeval limit{10, 0};
        ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        std::string request = ReadRequest(socket);
        {
            std::lock_guard<std::mutex> lock(mutex);
            requests.push_back(keepRequests ? request : std::string());
        }
        recorded.notify_all();
        handler(socket, request);
        ::close(socket);
    }
}

} // namespace kh::test
