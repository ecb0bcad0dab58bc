// HttpClient against a raw TCP server on loopback that records the request bytes and answers with
// scripted bytes.

#include "http/HttpClient.h"

#include "http/HostCache.h"
#include "http/HttpErrors.h"
#include "platform/Sync.h"
#include "support/LoopbackSocket.h"
#include "support/RefusingPort.h"
#include "support/ScriptedServer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace kh {
namespace {

using test::ScriptedServer;
using test::SocketHandle;

constexpr const char* kUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1)";

std::string Ok(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// Answers with reply and then keeps the connection open until the client closes it, so a client
// that waits for more than it should runs into its receive time-out instead of passing.
ScriptedServer::Handler AnswerAndHold(std::string reply)
{
    return [reply = std::move(reply)](SocketHandle socket, const std::string&) {
        ScriptedServer::SendAll(socket, reply);
        char byte;
        while (test::ReceiveSome(socket, &byte, 1) > 0) {
        }
    };
}

// A fresh client as every caller of the program prepares it.
struct Client
{
    Client(bool utf8 = true)
    {
        http.Reset();
        if (utf8)
            http.UseUtf8();
    }
    HttpClient http;
};

using test::RefusingPort;

TEST(HttpClientRequest, WritesRequestLineAndHeaderBlockByteForByte)
{
    ScriptedServer server(Ok("hello"));
    Client client;
    std::string reply;

    ASSERT_EQ(client.http.Send(server.Url("/login"), "user=a&pwd=b", reply), kHttpOk);

    ASSERT_TRUE(server.WaitForRequests(1));
    // The Host line names the host alone even though the URL carries a port.
    EXPECT_EQ(server.Requests()[0], std::string("POST /login HTTP/1.1\r\n"
                                                "Host: 127.0.0.1\r\n") +
                                        kUserAgentLine +
                                        "\r\n"
                                        "Content-Type: application/x-www-form-urlencoded\r\n"
                                        "Content-Length: 12\r\n"
                                        "\r\n"
                                        "user=a&pwd=b");
    EXPECT_EQ(reply, "hello");
}

TEST(HttpClientRequest, ContentLengthCountsTheUtf8BytesSent)
{
    ScriptedServer server(Ok("{}"));
    Client client;
    std::string reply;

    ASSERT_EQ(client.http.Send(server.Url("/get_mobile"), "北京", reply), kHttpOk);

    ASSERT_TRUE(server.WaitForRequests(1));
    const std::string request = server.Requests()[0];
    EXPECT_NE(request.find("\r\nContent-Length: 6\r\n\r\n\xE5\x8C\x97\xE4\xBA\xAC"), std::string::npos) << request;
    EXPECT_EQ(request.size(), request.find("\r\n\r\n") + 4 + 6);
}

TEST(HttpClientRequest, SchemeHostAndPathComeFromTheUrl)
{
    ScriptedServer server(Ok("x"));
    const std::string port = std::to_string(server.Port());
    struct Case
    {
        std::string url;
        std::string requestStart;
    } cases[] = {
        {"HTTP://127.0.0.1:" + port + "/a", "POST /a HTTP/1.1\r\nHost: 127.0.0.1\r\n"},
        {"http://localhost:" + port + "/get_sms?x=1&y=/z", "POST /get_sms?x=1&y=/z HTTP/1.1\r\nHost: localhost\r\n"},
        {"http://127.0.0.1:" + port + "/", "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\n"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        Client client;
        std::string reply;
        ASSERT_EQ(client.http.Send(cases[i].url, "", reply), kHttpOk) << cases[i].url;
        ASSERT_TRUE(server.WaitForRequests(i + 1));
        EXPECT_EQ(server.Requests()[i].rfind(cases[i].requestStart, 0), 0u) << server.Requests()[i];
        // Send always posts; an empty body is announced as such.
        EXPECT_NE(server.Requests()[i].find("\r\nContent-Length: 0\r\n\r\n"), std::string::npos);
    }
}

TEST(HttpClientRequest, ExtraHeadersAndCookiesTakeTheirPlaceInTheHeaderBlock)
{
    HttpClient http;
    http.Reset();
    ASSERT_EQ(http.AddCookie("SID=abc"), kHttpOk);
    // Without a request there is no host, so no cookie is sent yet.
    EXPECT_EQ(http.HeaderBlock(), std::string("Host: \r\n") + kUserAgentLine);

    ScriptedServer server(Ok("x"));
    std::string reply;
    ASSERT_EQ(http.Send(server.Url("/p"), "a=1", reply, "X-One: 1\r\nX-Two: 2"), kHttpOk);
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0], std::string("POST /p HTTP/1.1\r\nHost: 127.0.0.1\r\n") + kUserAgentLine +
                                        "\r\nX-One: 1\r\nX-Two: 2"
                                        "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 3"
                                        "\r\nCookie: SID=abc\r\n\r\na=1");
}

TEST(HttpClientUrl, MalformedUrlsFailBeforeAnyConnection)
{
    ScriptedServer server(Ok("ok"));
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.Port());
    struct Case
    {
        std::string url;
        int error;
    } cases[] = {
        {"", kErrUrlEmpty},
        {hostPort + "/login", kErrUrlNoSchemeSeparator},
        {"://" + hostPort + "/", kErrUrlEmptyScheme},
        {"ftp://" + hostPort + "/", kErrUrlUnknownScheme},
        {"http://", kErrUrlNothingAfterScheme},
        {"http://" + hostPort, kErrUrlNoPath},
        {"http:///login", kErrUrlEmptyHostPort},
        {"http://127.0.0.1:/", kErrUrlPortMissing},
        {"http://127.0.0.1:abc/", kErrUrlBadPort},
        {"http://127.0.0.1:0/", kErrUrlBadPort},
        {"http://127.0.0.1:" + std::to_string(server.Port() + 65536) + "/", kErrUrlBadPort},
        {"http://" + hostPort + "x/", kErrUrlBadPort},
        {"http://:" + std::to_string(server.Port()) + "/", kErrUrlEmptyHost},
        {"http://" + hostPort + "/a b", kErrUrlBadCharacter},
        {"http://" + hostPort + "/a\r\nX-Injected: 1", kErrUrlBadCharacter},
        {"https://" + hostPort, kErrUrlNoPath},
        {"https://" + hostPort + "/a b", kErrUrlBadCharacter},
    };
    for (const Case& c : cases) {
        Client client;
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(c.url, "a=1", reply), c.error) << c.url;
        EXPECT_EQ(reply, "untouched") << c.url;
    }

    // The server handles connections in order, so once this one is answered an earlier
    // connection would have been recorded too.
    Client client;
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST(HttpClientReply, ContentLengthIsReadInAnyLetterCase)
{
    // The body is larger than one receive step, so a client that ignores the header stops early.
    const std::string body(3000, 'b');
    for (const char* header : {"Content-Length: ", "content-length : ", "CONTENT-LENGTH:", "Content-Length:   "}) {
        ScriptedServer server(
            AnswerAndHold(std::string("HTTP/1.1 200 OK\r\nServer: t\r\n") + header + "3000\r\n\r\n" + body));
        Client client;
        client.http.SetTimeouts(10000, 10000, 2000);
        std::string reply;
        EXPECT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk) << header;
        EXPECT_EQ(reply, body) << header;
    }
}

TEST(HttpClientReply, WithoutContentLengthTheReplyEndsWithTheHeaderBlock)
{
    // The server keeps the connection open: the client must not wait for it to close.
    ScriptedServer server(AnswerAndHold("HTTP/1.1 200 OK\r\nServer: t\r\n\r\n{\"code\":0,\"msg\":\"ok\"}"));
    Client client;
    client.http.SetTimeouts(10000, 10000, 5000);
    std::string reply;

    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply, "{\"code\":0,\"msg\":\"ok\"}");
}

// The body of a reply of any status is returned; the status itself is there for a caller whose
// reply body says nothing (a 413 page).
TEST(HttpClientReply, StatusLineIsNotJudgedButKept)
{
    ScriptedServer server("HTTP/1.1 413 Payload Too Large\r\nContent-Length: 9\r\n\r\ntoo large");
    Client client;
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply, "too large");
    EXPECT_EQ(client.http.LastStatus(), 413);

    ScriptedServer garbled("HTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    ASSERT_EQ(client.http.Send(garbled.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(client.http.LastStatus(), 0);
}

TEST(HttpClientReply, BrokenRepliesGiveTheirErrorNumbers)
{
    struct Case
    {
        const char* name;
        std::string reply;
        int error;
    } cases[] = {
        {"closed before the headers end", "HTTP/1.1 200 OK\r\nContent-Le", kErrClosedEarly},
        {"closed before the body is complete", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", kErrClosedEarly},
        {"closed without a byte", "", kErrClosedEarly},
        {"body begins with a zero byte", std::string("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n\0ab", 41),
         kErrReplyTextEmpty},
        {"reply begins with a zero byte", std::string("\0HTTP/1.1 200 OK\r\n\r\n", 20), kErrReplyTextEmpty},
        {"Set-Cookie without a name", "HTTP/1.1 200 OK\r\nSet-Cookie: =abc\r\nContent-Length: 2\r\n\r\nok",
         kErrCookieWithoutName},
        {"Set-Cookie without =", "HTTP/1.1 200 OK\r\nSet-Cookie: abc\r\nContent-Length: 2\r\n\r\nok",
         kErrCookieWithoutName},
    };
    for (const Case& c : cases) {
        ScriptedServer server(c.reply);
        Client client;
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("/"), "a=1", reply), c.error) << c.name;
        EXPECT_EQ(reply, "untouched") << c.name;
    }
}

// A connection lost mid-body fails the request, but what of the body had come is kept for a
// caller whose request had effects; before the header block is complete there is nothing to keep.
TEST(HttpClientReply, BodyCutShortIsKeptAsThePartialReply)
{
    ScriptedServer cut("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n{\"code\":0,\"list\":[");
    Client client;
    std::string reply = "untouched";
    EXPECT_EQ(client.http.Send(cut.Url("/"), "", reply), kErrClosedEarly);
    EXPECT_EQ(reply, "untouched");
    EXPECT_EQ(client.http.PartialReply(), "{\"code\":0,\"list\":[");

    ScriptedServer headless("HTTP/1.1 200 OK\r\nContent-Le");
    EXPECT_EQ(client.http.Send(headless.Url("/"), "", reply), kErrClosedEarly);
    EXPECT_TRUE(client.http.PartialReply().empty());

    ScriptedServer whole(Ok("fine"));
    ASSERT_EQ(client.http.Send(whole.Url("/"), "", reply), kHttpOk);
    EXPECT_TRUE(client.http.PartialReply().empty());
}

// A stop ends a reply that is still arriving, at once rather than at its time-out; a reply that
// came whole in its first piece is not lost to it.
TEST(HttpClientReply, StopEndsAReplyStillArrivingButNotOneAlreadyIn)
{
    Event stop(true, true);
    ScriptedServer whole(Ok("{\"code\":0}"));
    Client client;
    client.http.SetStopEvent(&stop);
    std::string reply;
    ASSERT_EQ(client.http.Send(whole.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply, "{\"code\":0}");

    // The header block never ends; without the stop the request would wait 10 s for more.
    ScriptedServer endless(AnswerAndHold("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\n"));
    client.http.SetTimeouts(10000, 10000, 10000);
    EXPECT_EQ(client.http.Send(endless.Url("/"), "", reply), kErrStopped);

    // Reset forgets the stop.
    client.http.Reset();
    ScriptedServer again(Ok("ok"));
    EXPECT_EQ(client.http.Send(again.Url("/"), "", reply), kHttpOk);
}

TEST(HttpClientReply, SilentServerRunsIntoTheReceiveTimeout)
{
    ScriptedServer server(AnswerAndHold(""));
    Client client;
    client.http.SetTimeouts(10000, 10000, 200);
    std::string reply;
    EXPECT_EQ(client.http.Send(server.Url("/"), "", reply), kErrReceive);
}

TEST(HttpClientReply, TricklingServerRunsIntoTheOverallDeadline)
{
    // Every byte arrives well within the receive time-out, but all of them together would take
    // four seconds, more than the time-outs added together (1 s).
    struct Case
    {
        const char* name;
        std::string head;
        std::string trickled;
    } cases[] = {
        {"body", "HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n", std::string(40, 'b')},
        {"header block", "HTTP/1.1 200 OK\r\n", "X-Slow: " + std::string(40, 'h')},
    };
    for (const Case& c : cases) {
        ScriptedServer server([&c](SocketHandle socket, const std::string&) {
            if (!ScriptedServer::SendAll(socket, c.head))
                return;
            for (char byte : c.trickled) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                if (!ScriptedServer::SendAll(socket, std::string(1, byte)))
                    return;
            }
        });
        Client client;
        client.http.SetTimeouts(300, 300, 400);
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("/"), "", reply), kErrDeadline) << c.name;
        EXPECT_EQ(reply, "untouched") << c.name;
    }
}

TEST(HttpClientReply, EndMarkerCompletesTheReplyWhileTheConnectionStaysOpen)
{
    ScriptedServer server(AnswerAndHold("HTTP/1.1 200 OK\r\n\r\n{\"code\":0}END and more"));
    Client client;
    client.http.SetTimeouts(10000, 10000, 5000);
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply, "", "END"), kHttpOk);
    EXPECT_EQ(reply, "{\"code\":0}END and more");
}

TEST(HttpClientReply, KeepHeadersLeavesTheHeaderBlockInTheReply)
{
    const std::string whole = Ok("hello");
    ScriptedServer server(whole);
    Client client;
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply, "", "", true), kHttpOk);
    EXPECT_EQ(reply, whole);
}

TEST(HttpClientReply, Utf8ModeRecodesTheReply)
{
    // Malformed UTF-8 shows that the reply went through the converter; ANSI is UTF-8 here, so
    // well-formed text comes back unchanged.
    ScriptedServer server(Ok("\xE5\x8C\x97 \xFF"));
    std::string reply;
    Client utf8(true);
    ASSERT_EQ(utf8.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply, "\xE5\x8C\x97 \xEF\xBF\xBD");
    Client raw(false);
    ASSERT_EQ(raw.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply, "\xE5\x8C\x97 \xFF");
}

TEST(HttpClientReply, RepliesAboveTheCapFailInsteadOfGrowingWithoutBound)
{
    // A header announcing more than the cap fails as soon as the header block is read.
    {
        ScriptedServer server(AnswerAndHold("HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\nxxxx"));
        Client client;
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("/"), "", reply), kErrReplyTooLarge);
        EXPECT_EQ(reply, "untouched");
    }
    // A server that never ends its header block is cut off at the cap.
    {
        ScriptedServer server([](SocketHandle socket, const std::string&) {
            const std::string chunk(64 * 1024, 'x');
            ScriptedServer::SendAll(socket, "HTTP/1.1 200 OK\r\n");
            for (int sent = 0; sent < 2 * HttpClient::kMaxReplyBytes; sent += static_cast<int>(chunk.size()))
                if (!ScriptedServer::SendAll(socket, chunk))
                    break;
        });
        Client client;
        // 32 MiB through loopback: slow under wine on a loaded machine, and this checks the cap,
        // not the time, so the request gets time enough.
        client.http.SetTimeouts(60000, 60000, 60000);
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("/"), "", reply), kErrReplyTooLarge);
        EXPECT_EQ(reply, "untouched");
    }
}

TEST(HttpClientReply, RepliesUpToTheCapAreAccepted)
{
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: ";
    const int bodyLength = HttpClient::kMaxReplyBytes - static_cast<int>(head.size()) - 8 - 4;
    ScriptedServer server(head + std::to_string(bodyLength) + "\r\n\r\n" + std::string(bodyLength, 'y'));
    Client client(false);
    client.http.SetTimeouts(60000, 60000, 60000);
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);
    EXPECT_EQ(reply.size(), static_cast<size_t>(bodyLength));
}

TEST(HttpClientCookies, SetCookieHeadersFillTheJar)
{
    ScriptedServer server("HTTP/1.1 200 OK\r\n"
                          "Set-Cookie: SID=abc; path=/; domain=h\r\n"
                          "set-cookie: ignored=1\r\n"
                          "Set-Cookie: lang=zh-CN; Expires=Wed, 09 Jun 2027 10:18:14 GMT\r\n"
                          "Set-Cookie: SID=; Path=/new\r\n"
                          "Content-Length: 2\r\n\r\nok");
    Client client;
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);

    // The second SID keeps the stored value and domain and takes the new path; letter case of the
    // header name matters, of the attribute names not.
    const auto& jar = client.http.Cookies();
    ASSERT_EQ(jar.size(), 2u);
    EXPECT_EQ(jar[0].name, "SID");
    EXPECT_EQ(jar[0].value, "abc");
    EXPECT_EQ(jar[0].path, "/new");
    EXPECT_EQ(jar[0].domain, "h");
    EXPECT_EQ(jar[1].name, "lang");
    EXPECT_EQ(jar[1].value, "zh-CN");
    EXPECT_EQ(jar[1].path, "");
    EXPECT_EQ(jar[1].domain, "");

    client.http.Reset();
    EXPECT_TRUE(client.http.Cookies().empty());
}

// A reply may carry hundreds of thousands of Set-Cookie headers (the reply cap allows about
// 900,000): each is stored by name in the order of its first arrival, a later one of the same name
// updating it in place, and what is sent back keeps that order.
TEST(HttpClientCookies, ManySetCookieHeadersKeepTheOrderOfFirstArrival)
{
    constexpr int kNames = 100000;
    std::string head = "HTTP/1.1 200 OK\r\n";
    for (int round = 0; round < 2; ++round)
        for (int i = 0; i < kNames; ++i)
            head += "Set-Cookie: c" + std::to_string(i) + "=" + (round == 0 ? "v" : "w") + std::to_string(i) + "\r\n";
    ScriptedServer server(head + "Content-Length: 2\r\n\r\nok");
    Client client;
    // Time enough for a sanitizer build on a busy machine; ReplyFieldsBench has the figure.
    client.http.SetTimeouts(10000, 10000, 600000);
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("/"), "", reply), kHttpOk);

    const auto& jar = client.http.Cookies();
    ASSERT_EQ(jar.size(), static_cast<size_t>(kNames));
    for (int i : {0, 1, 4711, kNames - 1}) {
        EXPECT_EQ(jar[static_cast<size_t>(i)].name, "c" + std::to_string(i));
        EXPECT_EQ(jar[static_cast<size_t>(i)].value, "w" + std::to_string(i));
    }
    EXPECT_EQ(client.http.CookieHeader().rfind("Cookie: c0=w0; c1=w1; c2=w2; ", 0), 0u);
}

TEST(HttpClientCookies, OnlyMatchingCookiesAreSentBack)
{
    ScriptedServer server(Ok("ok"));
    HttpClient http;
    http.Reset();
    for (const char* cookie : {"a=1", "b=2; path=/app", "c=3; path=/ap", "d=4; path=/app/", "e=5; domain=0.0.1",
                               "f=6; domain=example.com", "g=", "h=8; path=/app/page/deeper", "b=7"})
        ASSERT_EQ(http.AddCookie(cookie), kHttpOk) << cookie;

    std::string reply;
    ASSERT_EQ(http.Send(server.Url("/app/page"), "", reply), kHttpOk);
    EXPECT_EQ(http.CookieHeader(), "Cookie: a=1; b=7; d=4; e=5");
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_NE(server.Requests()[0].find("\r\nCookie: a=1; b=7; d=4; e=5\r\n\r\n"), std::string::npos);
}

TEST(HttpClientConnect, RefusedConnectIsNotConnectedAndClearsTheHostCache)
{
    RefusingPort refusing;
    uint32_t address = 0;
    ASSERT_EQ(ResolveHost("127.0.0.1", address), kHttpOk);
    ASSERT_TRUE(LookupCachedHost("127.0.0.1", address));

    Client client;
    std::string reply = "untouched";
    EXPECT_EQ(client.http.Send("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/login", "a=1", reply),
              kErrNotConnected);
    EXPECT_EQ(reply, "untouched");
    EXPECT_FALSE(LookupCachedHost("127.0.0.1", address));
}

TEST(HttpClientConnect, ConnectThatNeverCompletesTimesOut)
{
    // A listener whose accept queue is full drops further connection attempts, so the connect
    // stays pending until the client's connect time-out.
    uint16_t port = 0;
    const SocketHandle listener = test::OpenLoopbackListener("ConnectThatNeverCompletesTimesOut", port, 0);
    std::vector<SocketHandle> fillers;
    for (int i = 0; i < 4; ++i)
        fillers.push_back(test::StartLoopbackConnect(port));

    uint32_t cached = 0;
    ASSERT_EQ(ResolveHost("127.0.0.1", cached), kHttpOk);
    Client client;
    client.http.SetTimeouts(300, 1000, 1000);
    std::string reply;
    EXPECT_EQ(client.http.Send("http://127.0.0.1:" + std::to_string(port) + "/", "", reply), kErrNotConnected);
    // The next request looks the host up again.
    EXPECT_FALSE(LookupCachedHost("127.0.0.1", cached));

    for (SocketHandle filler : fillers)
        test::CloseSocket(filler);
    test::CloseSocket(listener);
}

TEST(HttpClientConcurrency, ClientsOnManyThreadsShareTheHostCache)
{
    ScriptedServer server(Ok("{\"code\":0}"));
    RefusingPort refusing;
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5; ++i) {
                Client client;
                std::string reply;
                // Every third thread hits the refusing port and clears the cache under the others.
                if (t % 3 == 0) {
                    client.http.Send("http://127.0.0.1:" + std::to_string(refusing.Port()) + "/", "", reply);
                } else if (client.http.Send(server.Url("/"), "x=1", reply) == kHttpOk && reply == "{\"code\":0}") {
                    ++successes;
                }
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(successes.load(), 4 * 5);
}

} // namespace
} // namespace kh
