// The socket service on Windows: Winsock 2.2, started once per process by the first socket or
// look-up and never stopped (the system releases it with the process), select for the waits. A
// send on a socket whose peer has gone fails with an error; Windows has no SIGPIPE.

#include "platform/Socket.h"

#include <algorithm>
#include <climits>
#include <cstring>
// winsock2.h brings windows.h with it (included first, windows.h would bring the old winsock.h).
#include <winsock2.h>
#include <ws2tcpip.h>

namespace kh {
namespace {

bool StartNetwork()
{
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET ToSocket(NativeSocket handle)
{
    return static_cast<SOCKET>(handle);
}

bool SetTimeout(NativeSocket handle, int option, int32_t ms)
{
    // Winsock takes the time-out as a DWORD of milliseconds.
    const DWORD value = static_cast<DWORD>(ms);
    return ms >= 0 &&
           ::setsockopt(ToSocket(handle), SOL_SOCKET, option, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

timeval ToTimeval(int32_t ms)
{
    timeval tv{};
    tv.tv_sec = ms / 1000;
    tv.tv_usec = (ms % 1000) * 1000;
    return tv;
}

bool SetBlocking(NativeSocket handle, bool blocking)
{
    u_long nonBlocking = blocking ? 0 : 1;
    return ::ioctlsocket(ToSocket(handle), FIONBIO, &nonBlocking) == 0;
}

std::wstring Utf8ToWideHost(const std::string& host)
{
    if (host.empty())
        return {};
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, host.data(), static_cast<int>(host.size()), nullptr, 0);
    if (length <= 0)
        return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, host.data(), static_cast<int>(host.size()), wide.data(), length);
    return wide;
}

} // namespace

SocketError Socket::Open(AddressFamily family)
{
    Close();
    if (!StartNetwork())
        return SocketError::NetworkStart;
    // Not inherited by child processes, like SOCK_CLOEXEC elsewhere.
    SOCKET created = ::WSASocketW(family == AddressFamily::Ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr,
                                  0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
    if (created == INVALID_SOCKET)
        return SocketError::Create;
    handle = static_cast<NativeSocket>(created);
    return SocketError::None;
}

SocketError Socket::Connect(const IpAddress& address, uint16_t port, int32_t timeoutMs)
{
    if (!SetBlocking(handle, false))
        return SocketError::NonBlocking;

    sockaddr_storage target{};
    int targetLength;
    if (address.family == AddressFamily::Ipv6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&target);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(port);
        std::memcpy(&in6->sin6_addr, address.bytes.data(), 16);
        targetLength = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&target);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = address.Ipv4();
        targetLength = sizeof(sockaddr_in);
    }
    if (::connect(ToSocket(handle), reinterpret_cast<const sockaddr*>(&target), targetLength) == 0)
        return SocketError::ConnectSucceeded;

    // A connect in progress reports WSAEWOULDBLOCK; it completes by making the socket writable and
    // fails by marking it in the exception set, so both sets are watched: a refused connect ends
    // the wait at once instead of running into the time-out.
    bool connected = false;
    if (::WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(ToSocket(handle), &writable);
        FD_SET(ToSocket(handle), &failed);
        timeval tv = ToTimeval(timeoutMs < 0 ? 0 : timeoutMs);
        const int ready = ::select(0, nullptr, &writable, &failed, &tv);
        if (ready > 0 && FD_ISSET(ToSocket(handle), &writable)) {
            int socketError = 0;
            int length = sizeof socketError;
            connected = ::getsockopt(ToSocket(handle), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&socketError),
                                     &length) == 0 &&
                        socketError == 0;
        }
    }
    if (!connected)
        return SocketError::NotConnected;
    if (!SetBlocking(handle, true))
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
    while (!bytes.empty()) {
        int32_t budget = limit.Budget();
        if (budget == 0)
            return SocketError::Deadline;
        if (!SetTimeout(handle, SO_SNDTIMEO, budget))
            return SocketError::SendTimeout;
        const int chunk = static_cast<int>(std::min<size_t>(bytes.size(), INT_MAX));
        const int n = ::send(ToSocket(handle), bytes.data(), chunk, 0);
        if (n == SOCKET_ERROR && ::WSAGetLastError() == WSAETIMEDOUT && limit.Budget() == 0)
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
    int32_t budget = limit.Budget();
    if (budget == 0)
        return SocketError::Deadline;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(ToSocket(handle), &readable);
    timeval tv = ToTimeval(budget);
    if (::select(0, &readable, nullptr, nullptr, &tv) <= 0)
        return SocketError::Receive;
    const int n = ::recv(ToSocket(handle), buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    if (n == 0)
        return SocketError::Closed;
    if (n == SOCKET_ERROR)
        return SocketError::Receive;
    received = static_cast<size_t>(n);
    return SocketError::None;
}

SocketError Socket::Close()
{
    if (handle == kNoSocket)
        return SocketError::None;
    const int result = ::closesocket(ToSocket(handle));
    handle = kNoSocket;
    return result != 0 ? SocketError::Close : SocketError::None;
}

bool ResolveAddresses(const std::string& host, AddressFamily family, std::vector<IpAddress>& addresses)
{
    if (!StartNetwork())
        return false;
    // The wide look-up takes the host as the program holds it (UTF-8), whatever the ANSI code page.
    const std::wstring wideHost = Utf8ToWideHost(host);
    if (wideHost.empty())
        return false;
    ADDRINFOW hints{};
    hints.ai_family = family == AddressFamily::Ipv6 ? AF_INET6 : AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    ADDRINFOW* result = nullptr;
    if (::GetAddrInfoW(wideHost.c_str(), nullptr, &hints, &result) != 0 || result == nullptr)
        return false;
    addresses.clear();
    for (ADDRINFOW* ai = result; ai != nullptr; ai = ai->ai_next) {
        if (ai->ai_addr == nullptr)
            continue;
        IpAddress address;
        if (ai->ai_family == AF_INET && family == AddressFamily::Ipv4) {
            address = IpAddress::FromIpv4(reinterpret_cast<const sockaddr_in*>(ai->ai_addr)->sin_addr.s_addr);
        } else if (ai->ai_family == AF_INET6 && family == AddressFamily::Ipv6) {
            address.family = AddressFamily::Ipv6;
            std::memcpy(address.bytes.data(), &reinterpret_cast<const sockaddr_in6*>(ai->ai_addr)->sin6_addr, 16);
        } else {
            continue;
        }
        addresses.push_back(address);
    }
    ::FreeAddrInfoW(result);
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
