// kh-http end to end: the reply body on stdout, the error number as exit status.

#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"
#include "support/TlsTestServer.h"

#include <arpa/inet.h>
#include <cstdio>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kh {
namespace {

#ifdef KH_KH_HTTP_PATH

struct Outcome
{
    int status;
    std::string out;
};

// Runs kh-http with arguments (already quoted for the shell) and collects stdout and exit status.
Outcome RunKhHttp(const std::string& arguments)
{
    std::string command = std::string(KH_KH_HTTP_PATH) + " " + arguments + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    Outcome outcome{-1, {}};
    if (pipe == nullptr)
        return outcome;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        outcome.out.append(buffer, n);
    int raw = ::pclose(pipe);
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return outcome;
}

TEST(KhHttp, PrintsTheReplyBodyAndExitsWithTheErrorNumber)
{
    test::ScriptedServer server("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n{\"code\":0}\n");

    Outcome ok = RunKhHttp("'" + server.Url("/login") + "' 'user=a&pwd=b' --utf8");
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "{\"code\":0}\n");
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0].substr(server.Requests()[0].size() - 12), "user=a&pwd=b");

    // Without a body the request still posts, with an empty one.
    Outcome empty = RunKhHttp("'" + server.Url("/") + "'");
    EXPECT_EQ(empty.status, 0);
    ASSERT_TRUE(server.WaitForRequests(2));
    EXPECT_NE(server.Requests()[1].find("Content-Length: 0\r\n\r\n"), std::string::npos);

    EXPECT_EQ(RunKhHttp("'http://127.0.0.1'").status, 8);
    EXPECT_EQ(RunKhHttp("").status, 255);
    Outcome help = RunKhHttp("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: kh-http URL [BODY] [--utf8] [--cacert FILE] [--insecure]"), std::string::npos);
}

TEST(KhHttp, CertificateOptionsWorkBeforeAndAfterTheUrl)
{
    const test::TestCertificate ca =
        test::MakeCertificate({.commonName = "kh-http Test CA", .dnsNames = {}, .isCa = true});
    const test::TempFile caFile(ca.certificatePem);
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhello";
    test::TlsTestServer signedServer(test::MakeCertificate({}, &ca), reply);
    test::TlsTestServer selfSigned(test::MakeCertificate({}), reply);
    const std::string signedUrl = "'" + signedServer.Url("localhost", "/p") + "'";
    const std::string selfSignedUrl = "'" + selfSigned.Url("localhost", "/p") + "'";
    const std::string cacert = "--cacert '" + caFile.Path() + "'";

    struct Case
    {
        std::string arguments;
        int status;
        std::string out;
    } cases[] = {
        {signedUrl, 134, ""},
        {cacert + " " + signedUrl, 0, "hello"},
        {signedUrl + " 'a=1' " + cacert + " --utf8", 0, "hello"},
        {"--insecure " + signedUrl, 0, "hello"},
        {signedUrl + " 'a=1' -k", 0, "hello"},
        {cacert + " " + selfSignedUrl, 134, ""},
        {selfSignedUrl + " --insecure", 0, "hello"},
        {"--cacert /nonexistent/ca.pem " + signedUrl, 135, ""},
        {signedUrl + " --cacert", 255, ""},
        {"--cacerts x " + signedUrl, 255, ""},
    };
    for (const Case& c : cases) {
        Outcome outcome = RunKhHttp(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_EQ(outcome.out, c.out) << c.arguments;
    }
    // The body still goes out when the options stand around it.
    bool bodySent = false;
    for (const std::string& request : signedServer.Requests())
        bodySent = bodySent || request.ends_with("\r\n\r\na=1");
    EXPECT_TRUE(bodySent);
}

TEST(KhHttp, RefusedConnectExitsWith114)
{
    int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length), 0);
    EXPECT_EQ(RunKhHttp("http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/").status, 114);
    ::close(socket);
}

#else

TEST(KhHttp, DISABLED_NeedsTheKhHttpExecutable) {}

#endif

} // namespace
} // namespace kh
