#include "support/LoopbackSocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <string>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace kh::test {
namespace {

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Binds socket to a loopback port the system picks and returns that port, 0 on failure.
uint16_t BindLoopback(int socket)
{
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

} // namespace

SocketHandle OpenLoopbackListener(const char* owner, uint16_t& port, int backlog)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        throw std::runtime_error(std::string(owner) + ": socket");
    port = BindLoopback(fd);
    if (port == 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        throw std::runtime_error(std::string(owner) + ": bind");
    }
    return fd;
}

SocketHandle ReserveLoopbackPort(uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd == -1)
        return kNoSocket;
    port = BindLoopback(fd);
    if (port == 0) {
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

SocketHandle AcceptConnection(SocketHandle listener)
{
    int fd;
    do
        fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    while (fd == -1 && errno == EINTR);
    return fd;
}

SocketHandle ConnectLoopback(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(port);
    if (fd != -1 && ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return fd;
    if (fd != -1)
        ::close(fd);
    return kNoSocket;
}

SocketHandle StartLoopbackConnect(uint16_t port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd == -1)
        return kNoSocket;
    sockaddr_in address = Loopback(port);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 && errno != EINPROGRESS) {
        ::close(fd);
        return kNoSocket;
    }
    return fd;
}

void CloseSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        ::close(socket);
}

bool SendAll(SocketHandle socket, std::string_view bytes)
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

long ReceiveSome(SocketHandle socket, char* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::recv(socket, buffer, size, 0);
    while (n < 0 && errno == EINTR);
    return n < 0 ? -1 : static_cast<long>(n);
}

void SetSocketTimeouts(SocketHandle socket, int ms)
{
    timeval limit{ms / 1000, (ms % 1000) * 1000};
    ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(socket, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

} // namespace kh::test
