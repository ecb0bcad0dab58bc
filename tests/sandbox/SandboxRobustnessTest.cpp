// The sandbox under bad input and load, its web pages, repeatable runs with --seed, and its
// start-up and shutdown as a process.

#include "ClientCall.h"
#include "SandboxScenario.h"
#include "SignedInSandbox.h"
#include "http/HttpErrors.h"
#include "support/SandboxProcess.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kh::test {
namespace {

// A blocking TCP connection to the sandbox, or -1.
int ConnectLoopback(int port)
{
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd >= 0 && connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// A process's resident memory in KiB (VmRSS), or -1.
long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

// A request body as sent on the wire: bytes of 'a', either chunked (4 KiB chunks, or one chunk that
// announces oneChunk bytes up front) or raw after a Content-Length.
struct BodyShape
{
    size_t bytes = 0;
    size_t oneChunk = 0;
    bool chunked = true;
};

struct StreamedReply
{
    std::string head;     // status line and headers of the reply; empty when none came
    size_t bytesSent = 0; // request bytes written before the reply came or the connection broke
    bool allSent = false; // the whole request went out
    bool broken = false;  // the sandbox closed the connection while the request was being sent

    int Status() const { return head.rfind("HTTP/1.", 0) == 0 ? std::atoi(head.c_str() + 9) : 0; }
};

// Sends head and body over a raw socket, and stops sending as soon as a reply (or a close) comes:
// what a client streaming a big body sees. Waits up to 10 s for a reply after the last byte.
StreamedReply SendStreamedRequest(int port, const std::string& head, const BodyShape& body, bool finish)
{
    StreamedReply result;
    int fd = ConnectLoopback(port);
    if (fd < 0)
        return result;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    constexpr size_t kPiece = 4096;
    std::string pending = head + "\r\n";
    size_t queued = 0;
    bool ended = false;
    auto hex = [](size_t n) {
        char text[32];
        std::snprintf(text, sizeof text, "%zx\r\n", n);
        return std::string(text);
    };
    auto queueMore = [&] {
        if (queued == body.bytes) {
            if (finish && !ended && body.chunked)
                pending += body.oneChunk ? "\r\n0\r\n\r\n" : "0\r\n\r\n";
            ended = true;
            return;
        }
        size_t n = std::min(kPiece * 16, body.bytes - queued);
        if (body.chunked && body.oneChunk == 0) {
            n = std::min(n, kPiece);
            pending += hex(n) + std::string(n, 'a') + "\r\n";
        } else {
            if (body.chunked && queued == 0)
                pending += hex(body.oneChunk);
            pending += std::string(n, 'a');
        }
        queued += n;
    };
    auto readReply = [&] {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (result.head.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            pollfd readable{fd, POLLIN, 0};
            if (poll(&readable, 1, 100) <= 0)
                continue;
            char buffer[1024];
            ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            result.head.append(buffer, static_cast<size_t>(got));
        }
        result.head = result.head.substr(0, result.head.find("\r\n\r\n"));
    };
    for (;;) {
        if (pending.empty() && !ended)
            queueMore();
        result.allSent = ended && pending.empty();
        bool sending = !pending.empty();
        pollfd ready{fd, static_cast<short>(POLLIN | (sending ? POLLOUT : 0)), 0};
        if (poll(&ready, 1, 10000) <= 0)
            break;
        if (ready.revents & (POLLIN | POLLHUP | POLLERR)) {
            readReply();
            result.broken = result.head.empty();
            break;
        }
        ssize_t sent = send(fd, pending.data(), pending.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            result.broken = true;
            readReply();
            break;
        }
        if (sent > 0) {
            pending.erase(0, static_cast<size_t>(sent));
            result.bytesSent += static_cast<size_t>(sent);
        }
    }
    close(fd);
    return result;
}

std::string Get(SandboxProcess& sandbox, const std::string& target, int* status = nullptr)
{
    httplib::Client client("127.0.0.1", sandbox.Port());
    client.set_read_timeout(10, 0);
    auto result = client.Get(target.c_str());
    if (status)
        *status = result ? result->status : -1;
    return result ? result->body : std::string();
}

// Calls step on its own thread once a second until destroyed: a client that keeps its connections
// barely alive (a byte a second).
class EverySecond
{
public:
    explicit EverySecond(std::function<void(size_t)> step)
        : thread([this, step = std::move(step)] {
              for (size_t at = 0;; ++at) {
                  step(at);
                  std::unique_lock<std::mutex> lock(mutex);
                  if (wake.wait_for(lock, std::chrono::seconds(1), [&] { return stop; }))
                      return;
              }
          })
    {
    }
    ~EverySecond() { Stop(); }
    // Ends the calls and waits for a running one to finish (before the connections are closed,
    // whose descriptors may be reused at once).
    void Stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        wake.notify_all();
        if (thread.joinable())
            thread.join();
    }
    EverySecond(const EverySecond&) = delete;
    EverySecond& operator=(const EverySecond&) = delete;

private:
    std::mutex mutex;
    std::condition_variable wake;
    bool stop = false;
    std::thread thread;
};

// A version request as the client makes it, with the client's own 5 s time-out, while the sandbox
// is busy with what behind names; prints how long it took (the bench figure) and checks it was
// answered.
void ExpectAnsweredBehind(SandboxProcess& sandbox, const std::string& behind)
{
    auto start = std::chrono::steady_clock::now();
    ClientReply reply = CallSandbox(sandbox, "/get_version.aspx", "soft_id=1", 5000);
    auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    std::printf("[ figure ] a request behind %s took %lld ms\n", behind.c_str(),
                static_cast<long long>(waited.count()));
    EXPECT_EQ(reply.error, kHttpOk);
    EXPECT_EQ(reply.code, "0");
}

class SandboxRobustnessTest : public SignedInSandboxTest
{
protected:
    SandboxRobustnessTest() : SignedInSandboxTest(5) {}
};

TEST_F(SandboxRobustnessTest, GarbageBodiesGetAClearRefusalAndChangeNothing)
{
    const std::string before = sandbox.State();
    const std::string garbage[] = {
        "",
        "&&&===",
        "token",
        "=x&=y",
        std::string("token=\0\xff\xfe&pid=\x01", 16),
        "token=" + token + "&pid=1&size=1&prov=%zz&corp=&style=1",
        "token=" + token + "&pid=1&size=99999999999999999999&prov=&corp=&style=1",
        "token=" + token + "&pid_list=,,,&mobile=,",
        "{\"token\":\"" + token + "\"}",
    };
    const char* paths[] = {"/login", "/get_mobile", "/adv_release_mobile", "/add_black", "/get_sms"};
    for (const char* path : paths) {
        for (const std::string& body : garbage) {
            ClientReply reply = CallSandbox(sandbox, path, body);
            ASSERT_EQ(reply.error, kHttpOk) << path;
            EXPECT_TRUE(reply.code == "101" || reply.code == "102" || reply.code == "104")
                << path << " [" << body << "] -> " << reply.text;
            EXPECT_FALSE(reply.msg.empty());
        }
    }
    // Only the request counts move.
    std::string after = sandbox.State();
    auto accounts = [](const std::string& state) { return state.substr(0, state.find("\"requests\"")); };
    EXPECT_EQ(accounts(after).substr(accounts(after).find("\"accounts\"")),
              accounts(before).substr(accounts(before).find("\"accounts\"")));
}

TEST_F(SandboxRobustnessTest, HttpLevelMistakesGetHttpErrors)
{
    int status = 0;
    std::string page = Get(sandbox, "/no/such/page", &status);
    EXPECT_EQ(status, 404);
    EXPECT_NE(page.find("<html"), std::string::npos);
    Get(sandbox, "/get_sms", &status);
    EXPECT_EQ(status, 405) << "the API takes POST";
    sandbox.Post("/_sandbox/nothing", "{}", &status);
    EXPECT_EQ(status, 404);

    std::string huge(200 * 1024, 'a');
    int64_t counted = sandbox.RequestCount("/get_sms");
    sandbox.Post("/get_sms", "token=" + token + "&pid=1&mobile=" + huge, &status);
    EXPECT_EQ(status, 413);
    EXPECT_EQ(sandbox.RequestCount("/get_sms"), counted) << "refused before it reached the endpoint";
    // Unknown paths share one counter instead of growing the state.
    EXPECT_EQ(sandbox.RequestCount("(unknown)"), 1);
    EXPECT_EQ(sandbox.RequestCount("/no/such/page"), 0);
}

TEST_F(SandboxRobustnessTest, BodiesPastTheLimitAreRefusedWithoutBeingStored)
{
    constexpr size_t kMiB = 1024 * 1024;
    const std::string post = "POST /login HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n";
    struct Case
    {
        std::string name;
        std::string head;
        BodyShape shape;
        bool finish; // the body ends (else the test stops sending once refused)
        int status;  // 0: refused (413) or cut off before all of it was sent
    };
    const Case cases[] = {
        {"one 1 MiB chunk", post + "Transfer-Encoding: chunked\r\n", {kMiB, kMiB, true}, true, 413},
        {"1 MiB in 4 KiB chunks", post + "Transfer-Encoding: chunked\r\n", {kMiB, 0, true}, true, 413},
        {"a 400 MiB chunk that keeps coming",
         post + "Transfer-Encoding: chunked\r\n",
         {32 * kMiB, 400 * kMiB, true},
         false,
         0},
        {"4 KiB chunks that keep coming", post + "Transfer-Encoding: chunked\r\n", {32 * kMiB, 0, true}, false, 0},
        {"400 MiB announced by length", post + "Content-Length: 419430400\r\n", {32 * kMiB, 0, false}, false, 0},
        // Inflating it could pass the limit many times over before any handler saw it.
        {"a compressed body",
         post + "Content-Encoding: gzip\r\nTransfer-Encoding: chunked\r\n",
         {kMiB, 0, true},
         true,
         415},
        // httplib does not read a GET's body: the connection must not take it for the next request.
        {"a GET with a body",
         "GET / HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n",
         {kMiB, 0, true},
         true,
         200},
    };
    for (const Case& c : cases) {
        long before = ResidentKiB(sandbox.Pid());
        StreamedReply reply = SendStreamedRequest(sandbox.Port(), c.head, c.shape, c.finish);
        long grown = ResidentKiB(sandbox.Pid()) - before;
        std::printf("[ figure ] %s: %zu bytes sent before the reply or close, resident memory %+ld KiB\n",
                    c.name.c_str(), reply.bytesSent, grown);
        if (c.status == 0) {
            EXPECT_TRUE(reply.Status() == 413 || reply.broken) << c.name << ": " << reply.head;
            EXPECT_FALSE(reply.allSent) << c.name << " was read to the end";
        } else {
            EXPECT_EQ(reply.Status(), c.status) << c.name << ": " << reply.head;
            EXPECT_NE(reply.head.find("Connection: close"), std::string::npos) << c.name << ": " << reply.head;
        }
        EXPECT_GE(before, 0);
        EXPECT_LT(grown, 8 * 1024) << c.name << " was stored";
    }
    EXPECT_EQ(sandbox.Login("u", "p"), token) << "still serving";
}

TEST_F(SandboxRobustnessTest, RequestHeadsAreTakenAsHttplibParsesThem)
{
    const std::string get = "GET / HTTP/1.1\r\nHost: x\r\n";
    struct Case
    {
        std::string name;
        std::string request;
        size_t piece; // bytes per write; 0: all at once
        std::vector<int> statuses;
    };
    const Case cases[] = {
        {"a head typed a byte at a time", get + "Connection: close\r\n\r\n", 1, {200}},
        {"a header line ending in a bare LF", get + "X-A: 1\nConnection: close\r\n\r\n", 0, {200}},
        {"a request line ending in a bare LF", "GET / HTTP/1.1\nHost: x\n\n", 0, {400}},
        {"a head past 16 KiB", get + "X-Long: " + std::string(20000, 'a') + "\r\n\r\n", 0, {431}},
        {"two pipelined requests", get + "\r\n" + get + "Connection: close\r\n\r\n", 0, {200, 200}},
        {"a kept-alive request after a body",
         "POST /login HTTP/1.1\r\nHost: x\r\nContent-Length: 7\r\n\r\nuser=u&" + get + "Connection: close\r\n\r\n",
         5,
         {200, 200}},
    };
    for (const Case& c : cases) {
        int fd = ConnectLoopback(sandbox.Port());
        ASSERT_GE(fd, 0);
        int noDelay = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        size_t piece = c.piece ? c.piece : c.request.size();
        for (size_t at = 0; at < c.request.size(); at += piece) {
            ASSERT_GT(send(fd, c.request.data() + at, std::min(piece, c.request.size() - at), MSG_NOSIGNAL), 0);
            if (c.piece)
                std::this_thread::sleep_for(std::chrono::milliseconds(2)); // a slow client's pace
        }
        // Everything until the sandbox closes the connection (each case asks it to).
        std::string replies;
        char buffer[4096];
        pollfd readable{fd, POLLIN, 0};
        while (poll(&readable, 1, 10000) > 0) {
            ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            replies.append(buffer, static_cast<size_t>(got));
        }
        close(fd);
        std::vector<int> statuses;
        for (size_t at = replies.find("HTTP/1.1 "); at != std::string::npos; at = replies.find("HTTP/1.1 ", at + 1))
            statuses.push_back(std::atoi(replies.c_str() + at + 9));
        EXPECT_EQ(statuses, c.statuses) << c.name << ": " << replies.substr(0, 200);
    }
}

TEST_F(SandboxRobustnessTest, ManyConcurrentClientsAreAllServed)
{
    ClientReply rented = CallSandbox(sandbox, "/get_mobile", "token=" + token + "&pid=1&size=1&prov=&corp=&style=1");
    ASSERT_EQ(rented.code, "0");
    const std::string body = "token=" + token + "&pid=1&mobile=" + ListedMobiles(rented.text)[0];
    constexpr int kClients = 150;
    constexpr int kRequestsEach = 4;
    std::atomic<int> waiting{0};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i)
        clients.emplace_back([&] {
            for (int k = 0; k < kRequestsEach; ++k)
                if (CallSandbox(sandbox, "/get_sms", body).code == kCodeNoSmsYet)
                    ++waiting;
        });
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(waiting.load(), kClients * kRequestsEach);
    EXPECT_EQ(sandbox.RequestCount("/get_sms"), kClients * kRequestsEach);
}

TEST_F(SandboxRobustnessTest, SlowAndIdleConnectionsDoNotStarveOtherClients)
{
    // Far more connections than request threads (32): some silent, some typing a request head a
    // byte a second that never ends.
    constexpr int kConnections = 200;
    std::vector<int> idle;
    std::vector<int> slow;
    for (int i = 0; i < kConnections; ++i) {
        idle.push_back(ConnectLoopback(sandbox.Port()));
        slow.push_back(ConnectLoopback(sandbox.Port()));
        ASSERT_GE(idle.back(), 0);
        ASSERT_GE(slow.back(), 0);
    }
    const char* head = "POST /get_sms HTTP/1.1\r\nX-Slow: ";
    EverySecond typist([&](size_t at) {
        for (int fd : slow)
            send(fd, head + std::min<size_t>(at, std::strlen(head) - 1), 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    });

    // Answered within the client's own time-outs (it takes milliseconds: the figure).
    ExpectAnsweredBehind(sandbox, std::to_string(kConnections) + " idle and " + std::to_string(kConnections) +
                                      " slow connections");

    // The sandbox ends connections whose head does not arrive in time, the slow ones included.
    auto closedBySandbox = [](int fd) {
        char byte = 0;
        ssize_t got = recv(fd, &byte, 1, MSG_DONTWAIT);
        return got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    };
    EXPECT_TRUE(WaitUntil(
        [&] {
            return std::all_of(slow.begin(), slow.end(), closedBySandbox) &&
                   std::all_of(idle.begin(), idle.end(), closedBySandbox);
        },
        std::chrono::seconds(30)));
    typist.Stop();
    for (int fd : idle)
        close(fd);
    for (int fd : slow)
        close(fd);
}

TEST_F(SandboxRobustnessTest, ClientsTricklingTheirBodiesDoNotStarveOtherClients)
{
    // Far more connections than request threads (32), each with a whole head that announces a body
    // which then comes a byte a second: the sandbox reads bodies before a request thread takes them.
    constexpr int kConnections = 200;
    const std::string head = "POST /get_sms HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n";
    std::vector<int> trickling;
    for (int i = 0; i < kConnections; ++i) {
        trickling.push_back(ConnectLoopback(sandbox.Port()));
        ASSERT_GE(trickling.back(), 0);
        ASSERT_EQ(send(trickling.back(), head.data(), head.size(), MSG_NOSIGNAL), static_cast<ssize_t>(head.size()));
    }
    EverySecond typist([&](size_t) {
        for (int fd : trickling)
            send(fd, "a", 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    });

    // Answered within the client's own time-out (it takes milliseconds: the figure).
    ExpectAnsweredBehind(sandbox, std::to_string(kConnections) + " connections trickling their bodies");

    // A body that does not arrive within the read time-out is answered 408, and the connection ends.
    auto toldAndClosed = [](int fd, std::string& seen) {
        char buffer[512];
        for (;;) {
            ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) {
                seen.append(buffer, static_cast<size_t>(got));
                continue;
            }
            return got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        }
    };
    std::vector<std::string> replies(trickling.size());
    EXPECT_TRUE(WaitUntil(
        [&] {
            bool all = true;
            for (size_t i = 0; i < trickling.size(); ++i)
                all = toldAndClosed(trickling[i], replies[i]) && all;
            return all;
        },
        std::chrono::seconds(30)));
    typist.Stop();
    for (int fd : trickling)
        close(fd);
    auto untold = std::count_if(replies.begin(), replies.end(),
                                [](const std::string& seen) { return seen.rfind("HTTP/1.1 408 ", 0) != 0; });
    EXPECT_EQ(untold, 0) << "connections not answered 408, for example: " << replies.front();
    EXPECT_EQ(sandbox.RequestCount("/get_sms"), 0) << "no request without its whole body reached a handler";
}

// A client that waits for "100 Continue" before it sends the body is told to go on while the
// request is still with the gate, and then gets its reply.
TEST_F(SandboxRobustnessTest, ExpectContinueIsAnsweredBeforeTheBody)
{
    int fd = ConnectLoopback(sandbox.Port());
    ASSERT_GE(fd, 0);
    const std::string body = "user=u&pwd=p";
    const std::string head = "POST /login HTTP/1.1\r\nHost: x\r\nExpect: 100-continue\r\nConnection: close\r\n"
                             "Content-Length: " +
                             std::to_string(body.size()) + "\r\n\r\n";
    ASSERT_GT(send(fd, head.data(), head.size(), MSG_NOSIGNAL), 0);
    auto readUntil = [fd](std::string& seen, const std::string& wanted) {
        char buffer[1024];
        pollfd readable{fd, POLLIN, 0};
        while (seen.find(wanted) == std::string::npos && poll(&readable, 1, 5000) > 0) {
            ssize_t got = recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            seen.append(buffer, static_cast<size_t>(got));
        }
        return seen.find(wanted) != std::string::npos;
    };
    std::string seen;
    EXPECT_TRUE(readUntil(seen, "HTTP/1.1 100 Continue\r\n\r\n")) << seen;
    ASSERT_GT(send(fd, body.data(), body.size(), MSG_NOSIGNAL), 0);
    EXPECT_TRUE(readUntil(seen, "HTTP/1.1 200 ")) << seen;
    EXPECT_TRUE(readUntil(seen, "\"token\"")) << seen;
    close(fd);
}

TEST_F(SandboxRobustnessTest, WebPagesShowJumpTargetAndTokenValidity)
{
    struct Case
    {
        std::string target;
        std::string shows;
    };
    const Case cases[] = {
        {"/", "demo"},
        {"/soft/", "v1.2"},
        {"/soft/", "第一行<br>第二行"},
        {"/user_reg.html", "注册"},
        {"/oauth.aspx?token=" + token + "&jump=project", "项目管理"},
        {"/oauth.aspx?token=" + token + "&jump=pay", "有效（账户 u）"},
        {"/oauth.aspx?token=" + token + "&jump=transfer", "余额转账"},
        {"/oauth.aspx?token=ffff&jump=pay", "无效或已过期"},
        {"/oauth.aspx?jump=%3Cscript%3E", "&lt;script&gt;"},
    };
    for (const Case& c : cases) {
        int status = 0;
        std::string page = Get(sandbox, c.target, &status);
        EXPECT_EQ(status, 200) << c.target;
        EXPECT_NE(page.find(c.shows), std::string::npos) << c.target << " should show " << c.shows;
        EXPECT_EQ(page.find("<script>"), std::string::npos) << c.target;
    }
}

TEST_F(SandboxRobustnessTest, ResetRestoresTheScenario)
{
    ASSERT_EQ(CallSandbox(sandbox, "/get_mobile", "token=" + token + "&pid=1&size=2&prov=&corp=&style=1").code, "0");
    ASSERT_TRUE(sandbox.Reset());
    EXPECT_EQ(CallSandbox(sandbox, "/userinfo", "token=" + token).code, "102") << "tokens are gone";
    std::string fresh = sandbox.Login("u", "p");
    EXPECT_EQ(fresh, token) << "the same seed issues the same first token";
    EXPECT_EQ(CallSandbox(sandbox, "/userinfo", "token=" + fresh).Field("\"max_get_mobile_size\":", ","), "3");
    EXPECT_EQ(sandbox.RequestCount("/get_mobile"), 0);
}

// A reset may bring another scenario and seed (how the Windows tests share one sandbox): they
// replace the ones in use, later plain resets keep them, "built-in" is the demo, and a body that
// is not one of these is refused with the sandbox unchanged.
TEST_F(SandboxRobustnessTest, ResetWithAScenarioAndSeedReplacesThemUntilTheNext)
{
    int status = 0;
    std::string other = R"({"scenario":{"accounts":[{"user":"w","pwd":"x","balance":"1","max_mobiles":7}],)"
                        R"("projects":[{"pid":"9","pname":"n","p_price":"0.1"}],"pool":{"generate":3}},"seed":42})";
    ASSERT_NE(sandbox.Post("/_sandbox/reset", other, &status).find("\"ok\":true"), std::string::npos);
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(sandbox.Login("u", "p").empty()) << "the old scenario's account is gone";
    std::string first = sandbox.Login("w", "x");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(CallSandbox(sandbox, "/userinfo", "token=" + first).Field("\"max_get_mobile_size\":", ","), "7");
    ASSERT_TRUE(sandbox.Reset());
    EXPECT_EQ(sandbox.Login("w", "x"), first) << "a plain reset keeps the scenario and the seed";

    for (const char* refused : {R"({"scenario":5})", R"({"scenario":"other"})", R"({"seed":-1})", R"({"seed":"1"})",
                                R"({"scenario":{"accounts":7}})", "[]", "not json"}) {
        sandbox.Post("/_sandbox/reset", refused, &status);
        EXPECT_EQ(status, 400) << refused;
    }
    EXPECT_FALSE(sandbox.Login("w", "x").empty()) << "a refused reset changes nothing";
    EXPECT_TRUE(sandbox.Login("demo", "demo").empty());

    sandbox.Post("/_sandbox/reset", R"({"scenario":"built-in"})", &status);
    EXPECT_EQ(status, 200);
    EXPECT_FALSE(sandbox.Login("demo", "demo").empty());
    EXPECT_TRUE(sandbox.Login("w", "x").empty());
}

// Same seed, same requests: same tokens, numbers and codes. Another seed draws differently.
TEST(SandboxSeedTest, TheSameSeedRepeatsEveryDraw)
{
    auto run = [](uint64_t seed) {
        SandboxProcess sandbox(SandboxOptions{{}, {}, seed, 0});
        EXPECT_TRUE(sandbox.Started()) << sandbox.Error();
        std::string token = sandbox.Login("demo", "demo");
        std::string transcript = token;
        for (const char* pid : {"1001", "1003", "1005"})
            transcript +=
                CallSandbox(sandbox, "/get_mobile", "token=" + token + "&pid=" + pid + "&size=3&prov=&corp=&style=1")
                    .text;
        std::string state = sandbox.State();
        // The drawn codes and delays, without the clock readings that differ from run to run.
        for (size_t at = state.find("\"code\":"); at != std::string::npos; at = state.find("\"code\":", at + 1))
            transcript += state.substr(at, 20);
        return transcript;
    };
    std::string first = run(42);
    EXPECT_EQ(run(42), first);
    EXPECT_NE(run(43), first);
}

TEST(SandboxProcessTest, StartsWithoutArgumentsAndStopsCleanlyOnSigterm)
{
    SandboxProcess sandbox;
    ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
    std::string token = sandbox.Login("demo", "demo");
    ClientReply favourites = CallSandbox(sandbox, "/get_project_fav", "token=" + token);
    EXPECT_EQ(ListedMobiles(favourites.text, "pid").size(), 2u);
    EXPECT_GE(ListedMobiles(CallSandbox(sandbox, "/get_project_list", "token=" + token).text, "pid").size(), 10u);
    EXPECT_EQ(sandbox.Stop(), 0);
}

TEST(SandboxProcessTest, ABadScenarioStopsTheStartWithAReason)
{
    const char* scenarios[] = {
        "not json",
        R"({"accounts": [], "projects": [{"pid": "1", "pname": "x", "sms_template": "say \"{code}\""}]})",
        R"({"accounts": [{"user": "a"}], "projects": []})",
        R"({"accounts": [], "projects": [{"pid": "1", "pname": "x", "delay_min_ms": 5, "delay_max_ms": 1}]})",
        R"({"accounts": [], "projects": [], "pool": {"numbers": [{"mobile": "1", "prov": "火星", "corp": "移动"}]}})",
    };
    for (const char* scenario : scenarios) {
        SandboxProcess sandbox(SandboxOptions{scenario, {}, 1, 0});
        EXPECT_FALSE(sandbox.Started()) << scenario;
        EXPECT_FALSE(sandbox.Error().empty());
    }
}

} // namespace
} // namespace kh::test
