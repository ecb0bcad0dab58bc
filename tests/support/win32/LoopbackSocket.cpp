#include "support/LoopbackSocket.h"

#include <algorithm>
#include <climits>
#include <stdexcept>
#include <string>
// winsock2.h brings windows.h with it (included first, windows.h would bring the old winsock.h).
#include <winsock2.h>
#include <ws2tcpip.h>

namespace kh::test {
namespace {

// The test servers may open sockets before the program's own socket service has started Winsock.
void StartWinsock()
{
    static const bool started = [] {
        WSADATA data{};
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
}

SOCKET ToSocket(SocketHandle handle)
{
    return static_cast<SOCKET>(handle);
}

SOCKET NewSocket()
{
    StartWinsock();
    return ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0,
                        WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
}

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

uint16_t BindLoopback(SOCKET socket)
{
    sockaddr_in address = Loopback(0);
    int length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

} // namespace

SocketHandle OpenLoopbackListener(const char* owner, uint16_t& port, int backlog)
{
    SOCKET socket = NewSocket();
    if (socket == INVALID_SOCKET)
        throw std::runtime_error(std::string(owner) + ": socket");
    port = BindLoopback(socket);
    if (port == 0 || ::listen(socket, backlog) != 0) {
        ::closesocket(socket);
        throw std::runtime_error(std::string(owner) + ": bind");
    }
    return static_cast<SocketHandle>(socket);
}

SocketHandle ReserveLoopbackPort(uint16_t& port)
{
    SOCKET socket = NewSocket();
    if (socket == INVALID_SOCKET)
        return kNoSocket;
    port = BindLoopback(socket);
    if (port == 0) {
        ::closesocket(socket);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(socket);
}

SocketHandle AcceptConnection(SocketHandle listener)
{
    SOCKET socket = ::accept(ToSocket(listener), nullptr, nullptr);
    return socket == INVALID_SOCKET ? kNoSocket : static_cast<SocketHandle>(socket);
}

SocketHandle ConnectLoopback(uint16_t port)
{
    SOCKET socket = NewSocket();
    sockaddr_in address = Loopback(port);
    if (socket != INVALID_SOCKET && ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
        return static_cast<SocketHandle>(socket);
    if (socket != INVALID_SOCKET)
        ::closesocket(socket);
    return kNoSocket;
}

SocketHandle StartLoopbackConnect(uint16_t port)
{
    SOCKET socket = NewSocket();
    if (socket == INVALID_SOCKET)
        return kNoSocket;
    u_long nonBlocking = 1;
    sockaddr_in address = Loopback(port);
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0 ||
        (::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 &&
         ::WSAGetLastError() != WSAEWOULDBLOCK)) {
        ::closesocket(socket);
        return kNoSocket;
    }
    return static_cast<SocketHandle>(socket);
}

void CloseSocket(SocketHandle socket)
{
    if (socket != kNoSocket)
        ::closesocket(ToSocket(socket));
}

bool SendAll(SocketHandle socket, std::string_view bytes)
{
    // Winsock applies a send time-out to a whole send call, which for a large buffer waits until
    // the peer has taken nearly all of it: sent in pieces, the time-out bounds a stalled peer
    // rather than the size of the reply.
    constexpr size_t kPiece = 64 * 1024;
    while (!bytes.empty()) {
        const int chunk = static_cast<int>(std::min(bytes.size(), kPiece));
        const int n = ::send(ToSocket(socket), bytes.data(), chunk, 0);
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

long ReceiveSome(SocketHandle socket, char* buffer, size_t size)
{
    const int n = ::recv(ToSocket(socket), buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    return n == SOCKET_ERROR ? -1 : static_cast<long>(n);
}

void SetSocketTimeouts(SocketHandle socket, int ms)
{
    const DWORD value = static_cast<DWORD>(ms);
    ::setsockopt(ToSocket(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
    ::setsockopt(ToSocket(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&value), sizeof value);
}

} // namespace kh::test
