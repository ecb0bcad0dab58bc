// HttpClient's https channel against a TLS server on loopback whose certificates are made at test
// time: certificate checking, the request as the server sees it, status, cookies, limits and the
// error numbers of the failures.

#include "http/HostCache.h"
#include "http/HttpClient.h"
#include "http/HttpErrors.h"
#include "support/RefusingPort.h"
#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"
#include "support/TlsTestServer.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace kh {
namespace {

using test::CertificateRequest;
using test::MakeCertificate;
using test::TempFile;
using test::TestCertificate;
using test::TlsTestServer;
using namespace std::chrono_literals;

constexpr const char* kUserAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1)";

std::string Ok(const std::string& body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// One CA for the whole test program, written to a file as the CA-file setting expects it, and a
// server certificate it signs for localhost.
struct Authority
{
    static const Authority& Get()
    {
        static const Authority authority;
        return authority;
    }
    TestCertificate ca = MakeCertificate({.commonName = "BorvanKH Test CA", .dnsNames = {}, .isCa = true});
    TempFile caFile{ca.certificatePem};
    TestCertificate localhost = Sign({});
    TestCertificate Sign(const CertificateRequest& request) const { return MakeCertificate(request, &ca); }
};

// A client as the callers prepare it, with the CA file when one is asked for.
struct Client
{
    explicit Client(TlsOptions options = {})
    {
        http.Reset();
        http.UseUtf8();
        http.SetTls(options);
    }
    HttpClient http;
};

TlsOptions Trusting()
{
    return {.caFile = Authority::Get().caFile.Path(), .insecure = false};
}

TEST(TlsChannelCertificates, RefusedCertificatesAreAcceptedOnlyWithoutChecking)
{
    const Authority& authority = Authority::Get();
    struct Case
    {
        const char* name;
        TestCertificate certificate;
        bool withCaFile;
        int error;
        TlsProblem problem;
    } cases[] = {
        {"chain to the CA of the CA file", authority.localhost, true, kHttpOk, TlsProblem::None},
        {"chain to a CA nobody trusts", authority.localhost, false, kErrTlsCertificate, TlsProblem::UnknownIssuer},
        {"self-signed", MakeCertificate({}), true, kErrTlsCertificate, TlsProblem::SelfSigned},
        {"expired", authority.Sign({.notBefore = -48h, .notAfter = -24h}), true, kErrTlsCertificate,
         TlsProblem::Expired},
        {"not yet valid", authority.Sign({.notBefore = 24h, .notAfter = 48h}), true, kErrTlsCertificate,
         TlsProblem::NotYetValid},
        {"issued for another name", authority.Sign({.commonName = "other.example", .dnsNames = {"other.example"}}),
         true, kErrTlsCertificate, TlsProblem::NameMismatch},
    };
    for (const Case& c : cases) {
        TlsTestServer server(c.certificate, Ok("hello"));

        Client checked(c.withCaFile ? Trusting() : TlsOptions{});
        std::string reply = "untouched";
        EXPECT_EQ(checked.http.Send(server.Url("localhost", "/p"), "a=1", reply), c.error) << c.name;
        EXPECT_EQ(checked.http.LastTlsProblem(), c.problem) << c.name << ": " << checked.http.LastTlsDetail();
        EXPECT_FALSE(checked.http.LastRequestUnverified()) << c.name;
        EXPECT_EQ(reply, c.error == kHttpOk ? "hello" : "untouched") << c.name;
        EXPECT_EQ(checked.http.LastTlsDetail().empty(), c.error == kHttpOk) << c.name;
        // A refused certificate ends the connection before the request is written.
        ASSERT_TRUE(server.WaitForConnections(1)) << c.name;
        for (const std::string& request : server.Requests())
            EXPECT_EQ(request.empty(), c.error != kHttpOk) << c.name;

        Client unchecked({.caFile = "", .insecure = true});
        reply.clear();
        EXPECT_EQ(unchecked.http.Send(server.Url("localhost", "/p"), "a=1", reply), kHttpOk) << c.name;
        EXPECT_EQ(reply, "hello") << c.name;
        EXPECT_TRUE(unchecked.http.LastRequestUnverified()) << c.name;
        EXPECT_EQ(unchecked.http.LastTlsProblem(), TlsProblem::None) << c.name;
    }
}

TEST(TlsChannelCertificates, UnusableCaFileFailsBeforeConnecting)
{
    TlsTestServer server(Authority::Get().localhost, Ok("hello"));
    TempFile notPem("this is not a certificate\n");
    for (const std::string& file : {std::string("/nonexistent/ca.pem"), notPem.Path()}) {
        Client client({.caFile = file, .insecure = false});
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply), kErrTlsCaFile) << file;
        EXPECT_EQ(client.http.LastTlsProblem(), TlsProblem::CaFileUnusable) << file;
        EXPECT_EQ(reply, "untouched");
    }
    EXPECT_EQ(server.Connections(), 0u);
    // Reset forgets the CA file: the system's store alone does not know the test CA.
    Client client(Trusting());
    client.http.Reset();
    std::string reply;
    EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply), kErrTlsCertificate);
}

TEST(TlsChannelRequest, HostNameTravelsInTheHeaderAndTheHandshake)
{
    TlsTestServer server(Authority::Get().localhost, Ok("hello"));
    ASSERT_EQ(ClearHostCache(), kHttpOk);
    Client client(Trusting());
    ASSERT_EQ(client.http.AddCookie("SID=abc; path=/"), kHttpOk);
    std::string reply;

    ASSERT_EQ(client.http.Send(server.Url("localhost", "/a/../login?x=1"), "user=\xE5\x8C\x97", reply), kHttpOk);

    // The header block is the client's own, line for line: no port in the Host line, the body
    // length as sent, nothing libcurl would add on its own, and the path exactly as given.
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], std::string("POST /a/../login?x=1 HTTP/1.1\r\n"
                                                "Host: localhost\r\n") +
                                        kUserAgentLine +
                                        "\r\n"
                                        "Content-Type: application/x-www-form-urlencoded\r\n"
                                        "Content-Length: 8\r\n"
                                        "Cookie: SID=abc\r\n"
                                        "\r\n"
                                        "user=\xE5\x8C\x97");
    EXPECT_EQ(server.ServerNames()[0], "localhost");
    // The address came from the host cache.
    uint32_t address = 0;
    EXPECT_TRUE(LookupCachedHost("localhost", address));
    EXPECT_EQ(reply, "hello");
}

TEST(TlsChannelRequest, UnknownHostFailsBeforeAnyConnection)
{
    TlsTestServer server(Authority::Get().localhost, Ok("hello"));
    Client client(Trusting());
    std::string reply = "untouched";
    EXPECT_EQ(client.http.Send(server.Url("no-such-host.invalid"), "", reply), kErrCacheNoAddress);
    EXPECT_EQ(reply, "untouched");
    EXPECT_FALSE(client.http.LastRequestUnverified());
    EXPECT_EQ(server.Connections(), 0u);
}

TEST(TlsChannelRequest, FailedConnectionsFailToSend)
{
    test::RefusingPort refusing;
    test::ScriptedServer plain("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");

    struct Case
    {
        const char* name;
        uint16_t port;
    } cases[] = {
        {"connection refused", refusing.Port()},
        // The plain server waits for a request line that never comes.
        {"server that never answers the handshake", plain.Port()},
    };
    for (const Case& c : cases) {
        uint32_t cached = 0;
        ASSERT_EQ(ResolveHost("localhost", cached), kHttpOk);
        Client client(Trusting());
        client.http.SetTimeouts(500, 500, 500);
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send("https://localhost:" + std::to_string(c.port) + "/", "", reply), kErrTlsSendRequest)
            << c.name;
        EXPECT_EQ(reply, "untouched") << c.name;
        // As on the socket channel, an address that does not answer is looked up again next time.
        EXPECT_FALSE(LookupCachedHost("localhost", cached)) << c.name;
    }
}

TEST(TlsChannelReply, OnlyStatus200IsAReply)
{
    for (const char* status : {"404 Not Found", "500 Internal Server Error", "302 Found", "204 No Content"}) {
        TlsTestServer server(Authority::Get().localhost,
                             std::string("HTTP/1.1 ") + status + "\r\nContent-Length: 9\r\n\r\nnot found");
        Client client(Trusting());
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply), kErrTlsStatusNot200) << status;
        EXPECT_EQ(reply, "untouched") << status;
    }
}

TEST(TlsChannelReply, RepliesAndBrokenRepliesGiveTheirResults)
{
    struct Case
    {
        const char* name;
        std::string reply;
        std::string endMarker;
        int error;
        std::string text;
    } cases[] = {
        {"body by Content-Length", Ok("{\"code\":0}"), "", kHttpOk, "{\"code\":0}"},
        {"header name in another letter case", "HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nhello", "", kHttpOk,
         "hello"},
        {"chunked body", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n", "",
         kHttpOk, "abcde"},
        {"interim response first", "HTTP/1.1 100 Continue\r\n\r\n" + Ok("hello"), "", kHttpOk, "hello"},
        {"end marker ends the body", "HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n{\"code\":0}END and more", "END",
         kHttpOk, "{\"code\":0}END and more"},
        {"malformed UTF-8 goes through the converter", Ok("\xE5\x8C\x97\xFF"), "", kHttpOk, "\xE5\x8C\x97\xEF\xBF\xBD"},
        {"text ends at a zero byte", Ok(std::string("ab\0cd", 5)), "", kHttpOk, "ab"},
        {"body begins with a zero byte", Ok(std::string("\0ab", 3)), "", kErrReplyTextEmpty, ""},
        {"closed before the body is complete", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc", "", kErrTlsShortRead,
         ""},
        {"closed before the header block ends", "HTTP/1.1 200 OK\r\nContent-Le", "", kErrTlsReceiveResponse, ""},
        {"closed without a byte", "", "", kErrTlsReceiveResponse, ""},
        {"Set-Cookie without a name", "HTTP/1.1 200 OK\r\nSet-Cookie: =abc\r\nContent-Length: 2\r\n\r\nok", "",
         kErrCookieWithoutName, ""},
    };
    for (const Case& c : cases) {
        // After a complete reply the server holds the connection open until the client closes it,
        // so a client that waits for more than it should runs into its time-outs instead of passing.
        TlsTestServer server(Authority::Get().localhost,
                             [&c](TlsTestServer::Connection& connection, const std::string&) {
                                 if (connection.Send(c.reply) && c.error == kHttpOk)
                                     connection.WaitForClose();
                             });
        Client client(Trusting());
        client.http.SetTimeouts(5000, 5000, 5000);
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply, "", c.endMarker), c.error) << c.name;
        EXPECT_EQ(reply, c.error == kHttpOk ? c.text : "untouched") << c.name;
    }
}

TEST(TlsChannelCookies, EverySetCookieHeaderReachesTheJarInOrder)
{
    TlsTestServer server(Authority::Get().localhost, "HTTP/1.1 200 OK\r\n"
                                                     "Set-Cookie: SID=abc; path=/; domain=localhost\r\n"
                                                     "Content-Type: text/plain\r\n"
                                                     "Set-Cookie: lang=zh-CN; Expires=Wed, 09 Jun 2027 10:18:14 GMT\r\n"
                                                     "Content-Length: 2\r\n\r\nok");
    Client client(Trusting());
    std::string reply;
    ASSERT_EQ(client.http.Send(server.Url("localhost"), "", reply), kHttpOk);
    const auto& jar = client.http.Cookies();
    ASSERT_EQ(jar.size(), 2u);
    EXPECT_EQ(jar[0].name, "SID");
    EXPECT_EQ(jar[0].value, "abc");
    EXPECT_EQ(jar[0].path, "/");
    EXPECT_EQ(jar[0].domain, "localhost");
    EXPECT_EQ(jar[1].name, "lang");
    EXPECT_EQ(jar[1].value, "zh-CN");
}

TEST(TlsChannelLimits, RepliesAboveTheCapFail)
{
    const size_t cap = HttpClient::kMaxReplyBytes;
    struct Case
    {
        const char* name;
        std::string head;
        size_t bodyLength;
        int error;
    } cases[] = {
        {"announced above the cap", "HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n", 4096, kErrReplyTooLarge},
        {"streamed past the cap without a length", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", cap + 4096,
         kErrReplyTooLarge},
        {"exactly the cap", "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(cap) + "\r\n\r\n", cap, kHttpOk},
    };
    for (const Case& c : cases) {
        TlsTestServer server(Authority::Get().localhost, [&c](TlsTestServer::Connection& connection,
                                                              const std::string&) {
            if (!connection.Send(c.head))
                return;
            const std::string chunk(64 * 1024, 'y');
            for (size_t sent = 0; sent < c.bodyLength; sent += chunk.size())
                if (!connection.Send(std::string_view(chunk).substr(0, std::min(chunk.size(), c.bodyLength - sent))))
                    return;
        });
        Client client(Trusting());
        std::string reply = "untouched";
        EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply), c.error) << c.name;
        EXPECT_EQ(reply.size(), c.error == kHttpOk ? cap : std::string("untouched").size()) << c.name;
    }
}

TEST(TlsChannelLimits, TricklingServerRunsIntoTheOverallDeadline)
{
    // Each byte comes well within the receive time-out; all of them would take four seconds, more
    // than the time-outs added together.
    TlsTestServer server(Authority::Get().localhost, [](TlsTestServer::Connection& connection, const std::string&) {
        if (!connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n"))
            return;
        for (int i = 0; i < 40; ++i) {
            std::this_thread::sleep_for(100ms);
            if (!connection.Send("b"))
                return;
        }
    });
    Client client(Trusting());
    client.http.SetTimeouts(1000, 300, 700);
    std::string reply = "untouched";
    EXPECT_EQ(client.http.Send(server.Url("localhost"), "", reply), kErrDeadline);
    EXPECT_EQ(reply, "untouched");
}

TEST(TlsChannelConcurrency, ClientsOnManyThreadsAtOnce)
{
    TlsTestServer server(Authority::Get().localhost, Ok("{\"code\":0}"));
    std::atomic<int> successes{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 3; ++i) {
                Client client(Trusting());
                std::string reply;
                if (client.http.Send(server.Url("localhost"), "x=1", reply) == kHttpOk && reply == "{\"code\":0}")
                    ++successes;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(successes.load(), 4 * 3);
}

} // namespace
} // namespace kh
