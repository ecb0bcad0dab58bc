#pragma once
// The server side of loopback sockets for the test servers and the benchmark, on the system's own
// socket interface (BSD sockets, or Winsock started once per process): a listener on 127.0.0.1 at a
// port the system picks, accepting, connecting to it, and sending and receiving whole buffers.
// The client side under test goes through the program's own socket service (platform/Socket.h).

#include "platform/Socket.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kh::test {

using SocketHandle = NativeSocket;

// A socket listening on 127.0.0.1 at a port the system picks (port receives it), with room for
// backlog waiting connections; throws std::runtime_error naming owner when that fails.
SocketHandle OpenLoopbackListener(const char* owner, uint16_t& port, int backlog = 64);
// A socket bound to a loopback port the system picks but not listening: every connect to it is
// refused. kNoSocket when that fails.
SocketHandle ReserveLoopbackPort(uint16_t& port);
// The next connection of listener, waiting for it; kNoSocket when accepting failed.
SocketHandle AcceptConnection(SocketHandle listener);
// A blocking connect to 127.0.0.1:port; kNoSocket when it failed.
SocketHandle ConnectLoopback(uint16_t port);
// Starts a connect to 127.0.0.1:port without waiting for it to complete; kNoSocket on failure.
SocketHandle StartLoopbackConnect(uint16_t port);
void CloseSocket(SocketHandle socket);

// Writes all of bytes; false when the peer is gone.
bool SendAll(SocketHandle socket, std::string_view bytes);
// Receives up to size bytes: the count, 0 when the peer closed, -1 on failure or time-out.
long ReceiveSome(SocketHandle socket, char* buffer, size_t size);
// Bounds every later receive (and send) of socket to ms milliseconds.
void SetSocketTimeouts(SocketHandle socket, int ms);

} // namespace kh::test
