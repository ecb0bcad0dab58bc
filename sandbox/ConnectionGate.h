#pragma once
// The sandbox's connection handling in front of cpp-httplib's request parser. The packaged httplib
// gives every accepted socket to a pool thread that then blocks reading it, so as many silent or
// slowly typing clients as there are threads stop the server answering anyone. The gate instead
// reads requests itself on one epoll thread, the head and then the body it announces (within the
// body limit), each with a deadline, and hands a connection to the request threads only once its
// request is all there; between the requests of a kept-alive connection it comes back to the gate. While a request
// thread serves a request, the gate's stream caps the bytes it may read, so no body, whatever its transfer encoding, is
// buffered past the limit. Connections closed with input still coming are drained for a moment first, so the client
// reads the reply instead of a reset. SandboxServer installs it as httplib's task queue.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <httplib.h>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace kh::sandbox {

// What a request handler may learn about, or ask of, the connection its request came on. Exists
// only on a request thread while it serves a request (ConnectionGate::Current).
struct RequestControl
{
    bool bodyOverLimit = false;   // the request read more than the body budget and was cut off
    bool closeAfterReply = false; // end the connection after this reply; unread input is drained
};

class ConnectionGate final : public httplib::TaskQueue
{
public:
    struct Limits
    {
        size_t requestThreads = 32;
        size_t maxBodyBytes = 64 * 1024;
        std::chrono::milliseconds headTimeout{5000};      // from accept (or first byte) to a whole head
        std::chrono::milliseconds keepAliveTimeout{1000}; // a kept-alive connection's wait for its next request
        std::chrono::milliseconds readTimeout{5000};      // reading the body once the head is in
        std::chrono::milliseconds writeTimeout{5000};     // each wait for room to write the reply
        size_t requestsPerConnection = 5;
    };
    // Reads one request from the stream and writes its reply (httplib's process_request).
    using ServeRequest = std::function<bool(httplib::Stream& stream, bool closeConnection, bool& connectionClosed)>;

    ConnectionGate(const Limits& limits, ServeRequest serve);
    ~ConnectionGate() override;
    ConnectionGate(const ConnectionGate&) = delete;
    ConnectionGate& operator=(const ConnectionGate&) = delete;

    // Takes over an accepted socket. Called on the listening thread.
    void Admit(int fd);

    // httplib's task queue. The listening thread's only task is handing its new socket to Admit,
    // which does not block, so it runs at once.
    void enqueue(std::function<void()> fn) override { fn(); }
    // Closes waiting connections, lets running requests finish and joins every thread.
    void shutdown() override;

    // The control of the request this thread is serving, or null outside a request.
    static RequestControl* Current();

    // Request bytes a request thread may read past the head beyond maxBodyBytes: chunk framing.
    static constexpr size_t kFramingSlack = 16 * 1024;
    // A head that has not ended within this many bytes is refused with 431.
    static constexpr size_t kMaxHeadBytes = 16 * 1024;

private:
    struct Connection;
    class RequestStream;
    using ConnectionPtr = std::unique_ptr<Connection>;

    void RunGate();
    // Gate thread: watches the connection until its head is complete, or dispatches it now.
    void Watch(ConnectionPtr connection);
    void OnReadable(int fd);
    // Gate thread: answers a head that is too long with 431 and starts draining the connection.
    void RefuseHead(Connection& connection);
    // Gate thread: the head is complete; the body gets the read time-out from now, and a client
    // that waits for "100 Continue" before sending it is told to go on.
    void AwaitBody(Connection& connection);
    void CloseExpired(std::chrono::steady_clock::time_point now);
    void Dispatch(ConnectionPtr connection);
    // Request thread: serves the connection's requests while whole heads are buffered.
    void Serve(ConnectionPtr connection);
    // Any thread: back to the gate (next request, or draining before close).
    void Return(ConnectionPtr connection);
    void Linger(ConnectionPtr connection);
    void Close(ConnectionPtr connection);

    const Limits limits;
    const ServeRequest serve;
    int epollFd = -1;
    int wakeFd = -1; // incoming connections for the gate thread
    int stopFd = -1; // readable once shutdown starts; waits in request threads watch it

    std::mutex mutex;
    std::vector<ConnectionPtr> incoming; // guarded by mutex
    bool stopping = false;               // guarded by mutex
    std::atomic<bool> stopRequested{false};

    std::unordered_map<int, ConnectionPtr> watched; // gate thread only
    std::unique_ptr<httplib::ThreadPool> requestThreads;
    std::thread gateThread;
    bool shutDown = false;
};

} // namespace kh::sandbox
