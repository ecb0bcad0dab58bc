#pragma once
// The socket service of the HTTP client's plain channel and of the host cache: an owning TCP socket
// handle (SOCKET on Windows, a file descriptor elsewhere), host name look-up, a connect bounded by a
// time-out (a non-blocking connect waited for with select or poll), sends that never raise SIGPIPE,
// receives bounded by a time-out, and closing. Every call reports which step failed as a
// SocketError, which the client turns into its error numbers. The system's socket library is started
// once per process inside the first call that needs it (WSAStartup on Windows; nothing elsewhere) and
// left running until the process ends.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kh {

#if defined(_WIN32)
using NativeSocket = uintptr_t;                                       // SOCKET
inline constexpr NativeSocket kNoSocket = ~static_cast<uintptr_t>(0); // INVALID_SOCKET
#else
using NativeSocket = int;
inline constexpr NativeSocket kNoSocket = -1;
#endif

// The step of a socket call that failed.
enum class SocketError
{
    None,
    NetworkStart,     // the system's socket library could not be started
    Create,           // no socket could be created
    NonBlocking,      // switching to non-blocking mode for the connect failed
    ConnectSucceeded, // the non-blocking connect reported success at once instead of "in progress"
    NotConnected,     // refused, unreachable, or not connected within the time-out
    Blocking,         // switching back to blocking mode failed
    SendTimeout,      // the send time-out could not be set (or was negative)
    ReceiveTimeout,   // the receive time-out could not be set (or was negative)
    Send,             // a send failed or ran into its time-out
    Receive,          // a receive failed or its wait ran into its time-out
    Closed,           // the peer closed the connection
    Deadline,         // the overall deadline passed before the call could wait at all
    Close,            // closing the socket failed
};

enum class AddressFamily
{
    Ipv4,
    Ipv6,
};

struct IpAddress
{
    AddressFamily family = AddressFamily::Ipv4;
    std::array<uint8_t, 16> bytes{}; // network byte order; an IPv4 address uses the first four

    // An IPv4 address from its 32-bit form in network byte order, and back.
    static IpAddress FromIpv4(uint32_t networkOrder);
    uint32_t Ipv4() const;
    bool operator==(const IpAddress&) const = default;
};

// How long the waits of one call may take: each wait at most stepMs (0: no limit of its own), and
// none beyond the deadline.
struct WaitLimit
{
    int32_t stepMs = 0;
    std::chrono::steady_clock::time_point deadline;

    // The milliseconds the next wait may take, rounded up; 0 once the deadline has passed.
    int32_t Budget() const;
};

class Socket final
{
public:
    Socket() = default;
    // Closes a socket still open, ignoring a failure.
    ~Socket();
    Socket(Socket&& other) noexcept;
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    bool IsOpen() const { return handle != kNoSocket; }
    NativeSocket Native() const { return handle; }

    // Starts the socket library when this is the process's first socket, then creates a TCP socket
    // for family that child processes do not inherit. NetworkStart or Create on failure.
    SocketError Open(AddressFamily family);
    // Connects to address:port: switches to non-blocking mode, starts the connect, waits at most
    // timeoutMs for it to complete and switches back to blocking mode. NonBlocking,
    // ConnectSucceeded, NotConnected or Blocking on failure.
    SocketError Connect(const IpAddress& address, uint16_t port, int32_t timeoutMs);
    // Sets the time-out of every later blocking send and receive (0: none). SendTimeout or
    // ReceiveTimeout on failure, also for a negative time-out.
    SocketError SetTimeouts(int32_t sendMs, int32_t receiveMs);
    // Sends all of bytes, a partial send continued, each send within the limit. Send or Deadline.
    SocketError SendAll(std::string_view bytes, const WaitLimit& limit);
    // Waits within the limit until data arrives, then receives up to size bytes into buffer.
    // Closed when the peer has closed, Receive when the wait ran out or the receive failed, Deadline.
    SocketError Receive(char* buffer, size_t size, const WaitLimit& limit, size_t& received);
    // Closes the socket (forgotten even when closing fails); None when none was open.
    SocketError Close();

private:
    NativeSocket handle = kNoSocket;
};

// The addresses the system resolver finds for host, in its order, only those of family. False when
// it finds none (or the socket library cannot be started).
bool ResolveAddresses(const std::string& host, AddressFamily family, std::vector<IpAddress>& addresses);
// The address as text: dotted quad for IPv4, the usual short form for IPv6. False when it cannot be
// formatted.
bool FormatAddress(const IpAddress& address, std::string& text);

} // namespace kh
