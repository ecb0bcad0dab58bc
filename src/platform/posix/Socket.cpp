// The socket service on POSIX systems: BSD sockets, poll for the waits, MSG_NOSIGNAL on every send.
// There is no socket library to start.

#include "platform/Socket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace kh {
namespace {

timeval ToTimeval(int32_t ms)
{
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

bool SetTimeout(int fd, int option, int32_t ms)
{
    timeval tv = ToTimeval(ms);
    return ms >= 0 && ::setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

} // namespace

SocketError Socket::Open(AddressFamily family)
{
    Close();
    handle = ::socket(family == AddressFamily::Ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    return handle == kNoSocket ? SocketError::Create : SocketError::None;
}

SocketError Socket::Connect(const IpAddress& address, uint16_t port, int32_t timeoutMs)
{
    int flags = ::fcntl(handle, F_GETFL, 0);
    if (flags == -1 || ::fcntl(handle, F_SETFL, flags | O_NONBLOCK) == -1)
        return SocketError::NonBlocking;

    sockaddr_storage target{};
    socklen_t targetLength;
    if (address.family == AddressFamily::Ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&target);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        std::copy(address.bytes.begin(), address.bytes.end(), in6->sin6_addr.s6_addr);
        targetLength = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&target);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = address.Ipv4();
        targetLength = sizeof(sockaddr_in);
    }
    if (::connect(handle, reinterpret_cast<const sockaddr*>(&target), targetLength) == 0)
        return SocketError::ConnectSucceeded;

    // A connect that fails outright (refused, unreachable) is as much "not connected" as one that
    // never completes.
    bool connected = false;
    if (errno == EINPROGRESS || errno == EINTR) {
        pollfd pfd{handle, POLLOUT, 0};
        int ready;
        do
            ready = ::poll(&pfd, 1, timeoutMs < 0 ? 0 : timeoutMs);
        while (ready == -1 && errno == EINTR);
        if (ready > 0 && (pfd.revents & POLLOUT) != 0) {
            int socketError = 0;
            socklen_t length = sizeof socketError;
            connected = ::getsockopt(handle, SOL_SOCKET, SO_ERROR, &socketError, &length) == 0 && socketError == 0;
        }
    }
    if (!connected)
        return SocketError::NotConnected;
    if (::fcntl(handle, F_SETFL, flags & ~O_NONBLOCK) == -1)
        return SocketError::Blocking;
    return SocketError::None;
}

SocketError Socket::SetTimeouts(int32_t sendMs, int32_t receiveMs)
{
    if (!SetTimeout(handle, SO_SNDTIMEO, sendMs))
        return SocketError::SendTimeout;
    if (!SetTimeout(handle, SO_RCVTIMEO, receiveMs))
        return SocketError::ReceiveTimeout;
    return SocketError::None;
}

SocketError Socket::SendAll(std::string_view bytes, const WaitLimit& limit)
{
    // MSG_NOSIGNAL: a peer that already closed gives an error here instead of SIGPIPE. Each call
    // blocks at most what is left of the limit (the socket's send time-out).
    while (!bytes.empty()) {
        int32_t budget = limit.Budget();
        if (budget == 0)
            return SocketError::Deadline;
        if (!SetTimeout(handle, SO_SNDTIMEO, budget))
            return SocketError::SendTimeout;
        ssize_t n = ::send(handle, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && limit.Budget() == 0)
            return SocketError::Deadline;
        if (n <= 0)
            return SocketError::Send;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return SocketError::None;
}

SocketError Socket::Receive(char* buffer, size_t size, const WaitLimit& limit, size_t& received)
{
    received = 0;
    pollfd pfd{handle, POLLIN, 0};
    int ready;
    do {
        int32_t budget = limit.Budget();
        if (budget == 0)
            return SocketError::Deadline;
        ready = ::poll(&pfd, 1, budget);
    } while (ready == -1 && errno == EINTR);
    if (ready <= 0)
        return SocketError::Receive;
    ssize_t n;
    do
        n = ::recv(handle, buffer, size, 0);
    while (n < 0 && errno == EINTR);
    if (n == 0)
        return SocketError::Closed;
    if (n < 0)
        return SocketError::Receive;
    received = static_cast<size_t>(n);
    return SocketError::None;
}

SocketError Socket::Close()
{
    if (handle == kNoSocket)
        return SocketError::None;
    int result = ::close(handle);
    handle = kNoSocket;
    // After EINTR the descriptor is gone all the same on Linux.
    return result != 0 && errno != EINTR ? SocketError::Close : SocketError::None;
}

bool ResolveAddresses(const std::string& host, AddressFamily family, std::vector<IpAddress>& addresses)
{
    addrinfo hints{};
    hints.ai_family = family == AddressFamily::Ipv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        return false;
    addresses.clear();
    for (addrinfo* ai = result; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addr == nullptr)
            continue;
        IpAddress address;
        if (ai->ai_family == AF_INET && family == AddressFamily::Ipv4) {
            address = IpAddress::FromIpv4(reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr);
        } else if (ai->ai_family == AF_INET6 && family == AddressFamily::Ipv6) {
            address.family = AddressFamily::Ipv6;
            const auto& in6 = reinterpret_cast<const sockaddr_in6*>(ai->ai_addr)->sin6_addr;
            std::copy(std::begin(in6.s6_addr), std::end(in6.s6_addr), address.bytes.begin());
        } else {
            continue;
        }
        addresses.push_back(address);
    }
    ::freeaddrinfo(result);
    return !addresses.empty();
}

bool FormatAddress(const IpAddress& address, std::string& text)
{
    char buffer[INET6_ADDRSTRLEN] = {};
    const int family = address.family == AddressFamily::Ipv6 ? AF_INET6 : AF_INET;
    if (::inet_ntop(family, address.bytes.data(), buffer, sizeof buffer) == nullptr)
        return false;
    text = buffer;
    return true;
}

} // namespace kh
