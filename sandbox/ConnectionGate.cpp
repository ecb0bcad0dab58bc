#include "ConnectionGate.h"

#include "ConnectionDrop.h"
#include "RequestFraming.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kh::sandbox {

namespace {

using Clock = std::chrono::steady_clock;

// How often the gate thread wakes to close connections past their deadline.
constexpr int kGateTickMs = 100;
// A connection closed with input still coming is read (and the input dropped) for at most this
// long or this many bytes, so the client has read the reply before the close resets it.
constexpr auto kLingerTime = std::chrono::seconds(2);
constexpr size_t kLingerBytes = 1024 * 1024;
// Bytes taken from a socket at a time.
constexpr size_t kReceiveChunk = 16 * 1024;

constexpr const char* kHeadTooLong = "HTTP/1.1 431 Request Header Fields Too Large\r\nContent-Length: 0\r\n"
                                     "Connection: close\r\n\r\n";
constexpr const char* kBodyTimedOut = "HTTP/1.1 408 Request Timeout\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
// The interim reply a client that sent "Expect: 100-continue" waits for before it sends the body.
// httplib sends its own once a request thread reads the body; a client takes any number of them.
constexpr const char* kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

thread_local RequestControl* currentControl = nullptr;

void Require(bool ok, const char* what)
{
    if (!ok) {
        std::perror(what);
        std::abort();
    }
}

int MillisecondsUntil(Clock::time_point deadline)
{
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 60'000));
}

} // namespace

struct ConnectionGate::Connection
{
    enum class Phase
    {
        Head,      // waiting for a whole request head
        KeepAlive, // served a request; waiting for the first byte of the next
        Drain,     // write side shut; reading and dropping input until the close
    };

    Connection(int fd, size_t bodyAllowance) : fd(fd), framing(kMaxHeadBytes, bodyAllowance)
    {
        sockaddr_storage address{};
        socklen_t size = sizeof address;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            EndpointText(address, remoteHost, remotePort);
        size = sizeof address;
        if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            EndpointText(address, localHost, localPort);
    }

    // How much of the request at pos the input holds: a request thread takes it only once Ready.
    RequestFraming::State Examine() { return framing.Scan(input, pos); }

    // Drops the request the parser has read; the next one starts with what is left.
    void NextRequest()
    {
        input.erase(0, pos);
        pos = 0;
        framing.Reset();
        awaitingBody = false;
    }

    void StartDrain()
    {
        ::shutdown(fd, SHUT_WR);
        phase = Phase::Drain;
        input.clear();
        pos = 0;
        drained = 0;
        deadline = Clock::now() + kLingerTime;
    }

    const int fd;
    std::string input; // received bytes; those before pos have been read by the request parser
    size_t pos = 0;
    RequestFraming framing;
    bool awaitingBody = false; // the head is complete and the body has its own deadline
    Phase phase = Phase::Head;
    Clock::time_point deadline;
    size_t served = 0;
    size_t drained = 0;
    std::string remoteHost;
    std::string localHost;
    int remotePort = 0;
    int localPort = 0;
};

// httplib's view of one request on a connection: first the bytes the gate already read, then the
// socket. Reads stop with an error once the request has taken its budget (head, body limit and
// framing slack), when the rest of the request does not arrive within the read time-out, or when
// the gate shuts down.
class ConnectionGate::RequestStream final : public httplib::Stream
{
public:
    RequestStream(Connection& connection, const Limits& limits, int stopFd, size_t budget, RequestControl& control)
        : connection(connection), limits(limits), stopFd(stopFd), control(control), budget(budget),
          readDeadline(Clock::now() + limits.readTimeout)
    {
    }

    bool ReadFailed() const { return readFailed; }

    bool is_readable() const override
    {
        return connection.pos < connection.input.size() || WaitFor(POLLIN, readDeadline, true);
    }

    bool is_writable() const override { return WaitFor(POLLOUT, Clock::now() + limits.writeTimeout, false); }

    ssize_t read(char* ptr, size_t size) override
    {
        if (budget == 0) {
            control.bodyOverLimit = true;
            readFailed = true;
            return -1;
        }
        if (connection.pos == connection.input.size()) {
            ssize_t received = Refill();
            if (received <= 0) {
                readFailed = true;
                return received;
            }
        }
        size_t count = std::min({size, connection.input.size() - connection.pos, budget});
        std::memcpy(ptr, connection.input.data() + connection.pos, count);
        connection.pos += count;
        budget -= count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* ptr, size_t size) override
    {
        auto deadline = Clock::now() + limits.writeTimeout;
        for (;;) {
            ssize_t sent = ::send(connection.fd, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (sent >= 0)
                return sent;
            if (errno == EINTR)
                continue;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitFor(POLLOUT, deadline, false))
                return -1;
        }
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override
    {
        ip = connection.remoteHost;
        port = connection.remotePort;
    }

    void get_local_ip_and_port(std::string& ip, int& port) const override
    {
        ip = connection.localHost;
        port = connection.localPort;
    }

    socket_t socket() const override { return connection.fd; }

private:
    // Replaces the (fully read) buffer with what the socket has next: > 0 bytes, 0 at the end of
    // input, -1 on an error, time-out or shutdown.
    ssize_t Refill()
    {
        char chunk[kReceiveChunk];
        for (;;) {
            ssize_t received = ::recv(connection.fd, chunk, sizeof chunk, MSG_DONTWAIT);
            if (received >= 0) {
                connection.input.assign(chunk, static_cast<size_t>(received));
                connection.pos = 0;
                return received;
            }
            if (errno == EINTR)
                continue;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitFor(POLLIN, readDeadline, true))
                return -1;
        }
    }

    // True once the socket is ready for events (or has an error to report) before the deadline;
    // false on time-out and, with watchStop, as soon as the gate shuts down.
    bool WaitFor(short events, Clock::time_point deadline, bool watchStop) const
    {
        for (;;) {
            pollfd fds[2] = {{connection.fd, events, 0}, {stopFd, POLLIN, 0}};
            int ready = ::poll(fds, watchStop ? 2 : 1, MillisecondsUntil(deadline));
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0 || (watchStop && fds[1].revents != 0))
                return false;
            return fds[0].revents != 0;
        }
    }

    Connection& connection;
    const Limits& limits;
    const int stopFd;
    RequestControl& control;
    size_t budget;
    const Clock::time_point readDeadline;
    bool readFailed = false;
};

ConnectionGate::ConnectionGate(const Limits& limits, ServeRequest serve) : limits(limits), serve(std::move(serve))
{
    epollFd = epoll_create1(EPOLL_CLOEXEC);
    Require(epollFd >= 0, "borvankh-sandbox: epoll_create1");
    wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    Require(wakeFd >= 0 && stopFd >= 0, "borvankh-sandbox: eventfd");
    epoll_event wake{};
    wake.events = EPOLLIN;
    wake.data.fd = wakeFd;
    Require(epoll_ctl(epollFd, EPOLL_CTL_ADD, wakeFd, &wake) == 0, "borvankh-sandbox: epoll_ctl");
    requestThreads = std::make_unique<httplib::ThreadPool>(std::max<size_t>(limits.requestThreads, 1));
    gateThread = std::thread([this] { RunGate(); });
}

ConnectionGate::~ConnectionGate()
{
    shutdown();
    ::close(epollFd);
    ::close(wakeFd);
    ::close(stopFd);
}

RequestControl* ConnectionGate::Current()
{
    return currentControl;
}

void ConnectionGate::Admit(int fd)
{
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) {
        ::close(fd);
        return;
    }
    auto connection = std::make_unique<Connection>(fd, limits.maxBodyBytes + kFramingSlack);
    connection->deadline = Clock::now() + limits.headTimeout;
    // Most clients send their request with the connect: take it now, and a whole head goes straight
    // to a request thread without a round through the gate thread.
    char chunk[kReceiveChunk];
    ssize_t received = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (received == 0 || (received < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        Close(std::move(connection));
        return;
    }
    if (received > 0)
        connection->input.assign(chunk, static_cast<size_t>(received));
    if (connection->Examine() == RequestFraming::State::Ready)
        Dispatch(std::move(connection));
    else
        Return(std::move(connection));
}

void ConnectionGate::shutdown()
{
    if (shutDown)
        return;
    shutDown = true;
    stopRequested = true;
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    uint64_t one = 1;
    (void)!::write(stopFd, &one, sizeof one);
    (void)!::write(wakeFd, &one, sizeof one);
    if (gateThread.joinable())
        gateThread.join();
    // Requests already running or queued finish; their connections then close (Return sees stopping).
    requestThreads->shutdown();
}

void ConnectionGate::RunGate()
{
    pthread_setname_np(pthread_self(), "kh-gate");
    epoll_event events[64];
    auto nextSweep = Clock::now();
    for (;;) {
        int ready = epoll_wait(epollFd, events, 64, kGateTickMs);
        std::vector<ConnectionPtr> arrived;
        bool stop = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            arrived.swap(incoming);
            stop = stopping;
        }
        if (stop) {
            for (ConnectionPtr& connection : arrived)
                Close(std::move(connection));
            break;
        }
        for (int i = 0; i < ready; ++i) {
            if (events[i].data.fd == wakeFd) {
                uint64_t count = 0;
                (void)!::read(wakeFd, &count, sizeof count);
            } else {
                OnReadable(events[i].data.fd);
            }
        }
        for (ConnectionPtr& connection : arrived)
            Watch(std::move(connection));
        auto now = Clock::now();
        if (now >= nextSweep) {
            CloseExpired(now);
            nextSweep = now + std::chrono::milliseconds(kGateTickMs);
        }
    }
    for (auto& [fd, connection] : watched)
        Close(std::move(connection));
    watched.clear();
}

void ConnectionGate::Watch(ConnectionPtr connection)
{
    if (connection->phase != Connection::Phase::Drain) {
        RequestFraming::State state = connection->Examine();
        if (state == RequestFraming::State::Ready) {
            Dispatch(std::move(connection));
            return;
        }
        if (state == RequestFraming::State::HeadTooLong)
            RefuseHead(*connection);
        else if (state == RequestFraming::State::PartialBody)
            AwaitBody(*connection);
    }
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP;
    event.data.fd = connection->fd;
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, connection->fd, &event) != 0) {
        Close(std::move(connection));
        return;
    }
    int fd = connection->fd;
    watched.emplace(fd, std::move(connection));
}

void ConnectionGate::OnReadable(int fd)
{
    auto found = watched.find(fd);
    if (found == watched.end())
        return;
    Connection& connection = *found->second;
    char chunk[kReceiveChunk];
    ssize_t received = ::recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (received == 0 && connection.phase == Connection::Phase::Head && connection.awaitingBody) {
        // The client has ended its input after a whole head: the parser meets that end itself
        // (a body that runs to the end of input is then whole) and answers at once.
        connection.framing.InputEnded();
        epoll_ctl(epollFd, EPOLL_CTL_DEL, fd, nullptr);
        ConnectionPtr ended = std::move(found->second);
        watched.erase(found);
        Dispatch(std::move(ended));
        return;
    }
    if (received <= 0) {
        ConnectionPtr closing = std::move(found->second);
        watched.erase(found);
        Close(std::move(closing));
        return;
    }
    auto count = static_cast<size_t>(received);
    if (connection.phase == Connection::Phase::Drain) {
        connection.drained += count;
        if (connection.drained > kLingerBytes) {
            ConnectionPtr closing = std::move(found->second);
            watched.erase(found);
            Close(std::move(closing));
        }
        return;
    }
    if (connection.phase == Connection::Phase::KeepAlive) {
        // The next request has begun: it gets the same time for its head as a new connection.
        connection.phase = Connection::Phase::Head;
        connection.deadline = Clock::now() + limits.headTimeout;
    }
    connection.input.append(chunk, count);
    RequestFraming::State state = connection.Examine();
    if (state == RequestFraming::State::Ready) {
        epoll_ctl(epollFd, EPOLL_CTL_DEL, fd, nullptr);
        ConnectionPtr ready = std::move(found->second);
        watched.erase(found);
        Dispatch(std::move(ready));
    } else if (state == RequestFraming::State::HeadTooLong) {
        RefuseHead(connection);
    } else if (state == RequestFraming::State::PartialBody) {
        AwaitBody(connection);
    }
}

void ConnectionGate::AwaitBody(Connection& connection)
{
    if (connection.awaitingBody)
        return;
    connection.awaitingBody = true;
    connection.deadline = Clock::now() + limits.readTimeout;
    if (connection.framing.ExpectsContinue())
        (void)!::send(connection.fd, kContinue, std::strlen(kContinue), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void ConnectionGate::RefuseHead(Connection& connection)
{
    (void)!::send(connection.fd, kHeadTooLong, std::strlen(kHeadTooLong), MSG_NOSIGNAL | MSG_DONTWAIT);
    connection.StartDrain();
}

void ConnectionGate::CloseExpired(Clock::time_point now)
{
    for (auto it = watched.begin(); it != watched.end();) {
        Connection& connection = *it->second;
        if (connection.deadline > now) {
            ++it;
            continue;
        }
        if (connection.phase == Connection::Phase::Head && connection.awaitingBody) {
            // The head came but the body did not in time: the client is told before the close.
            (void)!::send(connection.fd, kBodyTimedOut, std::strlen(kBodyTimedOut), MSG_NOSIGNAL | MSG_DONTWAIT);
            connection.StartDrain();
            ++it;
        } else {
            ConnectionPtr closing = std::move(it->second);
            it = watched.erase(it);
            Close(std::move(closing));
        }
    }
}

void ConnectionGate::Dispatch(ConnectionPtr connection)
{
    // httplib's pool takes copyable tasks: the task owns the connection through the raw pointer.
    Connection* raw = connection.release();
    requestThreads->enqueue([this, raw] { Serve(ConnectionPtr(raw)); });
}

void ConnectionGate::Serve(ConnectionPtr connection)
{
    for (;;) {
        size_t headLength = connection->framing.HeadLength();
        RequestControl control;
        RequestStream stream(*connection, limits, stopFd, headLength + limits.maxBodyBytes + kFramingSlack, control);
        ++connection->served;
        bool closeConnection = connection->served >= limits.requestsPerConnection || stopRequested;
        bool connectionClosed = false;
        currentControl = &control;
        bool ok = serve(stream, closeConnection, connectionClosed);
        currentControl = nullptr;
        if (control.closeAfterReply || control.bodyOverLimit) {
            Linger(std::move(connection));
            return;
        }
        if (!ok || connectionClosed || closeConnection || stream.ReadFailed()) {
            Close(std::move(connection));
            return;
        }
        connection->NextRequest();
        if (connection->Examine() != RequestFraming::State::Ready) {
            // Part of the next head may be here already; then it has begun and gets the head's time.
            bool begun = !connection->input.empty();
            connection->phase = begun ? Connection::Phase::Head : Connection::Phase::KeepAlive;
            connection->deadline = Clock::now() + (begun ? limits.headTimeout : limits.keepAliveTimeout);
            Return(std::move(connection));
            return;
        }
        // A pipelined request is already here: serve it on this thread.
    }
}

void ConnectionGate::Return(ConnectionPtr connection)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!stopping)
            incoming.push_back(std::move(connection));
    }
    if (connection) {
        Close(std::move(connection));
        return;
    }
    uint64_t one = 1;
    (void)!::write(wakeFd, &one, sizeof one);
}

void ConnectionGate::Linger(ConnectionPtr connection)
{
    connection->StartDrain();
    Return(std::move(connection));
}

void ConnectionGate::Close(ConnectionPtr connection)
{
    ::shutdown(connection->fd, SHUT_RDWR);
    ::close(connection->fd);
}

} // namespace kh::sandbox
