// kh-http end to end: the reply body on stdout, the error number as exit status.

#include "support/ChildProcess.h"
#include "support/RefusingPort.h"
#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"
#include "support/TlsTestServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

#ifdef KH_KH_HTTP_PATH

// Runs kh-http with arguments and collects stdout and exit status.
test::ProcessResult RunKhHttp(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = {KH_KH_HTTP_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::RunProcess(argv);
}

TEST(KhHttp, PrintsTheReplyBodyAndExitsWithTheErrorNumber)
{
    test::ScriptedServer server("HTTP/1.1 200 OK\r\nContent-Length: 11\r\n\r\n{\"code\":0}\n");

    test::ProcessResult ok = RunKhHttp({server.Url("/login"), "user=a&pwd=b", "--utf8"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "{\"code\":0}\n");
    ASSERT_TRUE(server.WaitForRequests(1));
    EXPECT_EQ(server.Requests()[0].substr(server.Requests()[0].size() - 12), "user=a&pwd=b");

    // Without a body the request still posts, with an empty one.
    test::ProcessResult empty = RunKhHttp({server.Url("/")});
    EXPECT_EQ(empty.status, 0);
    ASSERT_TRUE(server.WaitForRequests(2));
    EXPECT_NE(server.Requests()[1].find("Content-Length: 0\r\n\r\n"), std::string::npos);

    EXPECT_EQ(RunKhHttp({"http://127.0.0.1"}).status, 8);
    EXPECT_EQ(RunKhHttp({}).status, 255);
    test::ProcessResult help = RunKhHttp({"--help"});
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
    const std::string signedUrl = signedServer.Url("localhost", "/p");
    const std::string selfSignedUrl = selfSigned.Url("localhost", "/p");
    const std::string caPath = caFile.Path();

    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string out;
    } cases[] = {
        {{signedUrl}, 134, ""},
        {{"--cacert", caPath, signedUrl}, 0, "hello"},
        {{signedUrl, "a=1", "--cacert", caPath, "--utf8"}, 0, "hello"},
        {{"--insecure", signedUrl}, 0, "hello"},
        {{signedUrl, "a=1", "-k"}, 0, "hello"},
        {{"--cacert", caPath, selfSignedUrl}, 134, ""},
        {{selfSignedUrl, "--insecure"}, 0, "hello"},
        {{"--cacert", "/nonexistent/ca.pem", signedUrl}, 135, ""},
        {{signedUrl, "--cacert"}, 255, ""},
        {{"--cacerts", "x", signedUrl}, 255, ""},
    };
    for (const Case& c : cases) {
        test::ProcessResult outcome = RunKhHttp(c.arguments);
        std::string shown;
        for (const std::string& argument : c.arguments)
            shown += argument + " ";
        EXPECT_EQ(outcome.status, c.status) << shown;
        EXPECT_EQ(outcome.out, c.out) << shown;
    }
    // The body still goes out when the options stand around it.
    bool bodySent = false;
    for (const std::string& request : signedServer.Requests())
        bodySent = bodySent || request.ends_with("\r\n\r\na=1");
    EXPECT_TRUE(bodySent);
}

TEST(KhHttp, RefusedConnectExitsWith114)
{
    test::RefusingPort refusing;
    EXPECT_EQ(RunKhHttp({refusing.Url("/")}).status, 114);
}

#else

TEST(KhHttp, DISABLED_NeedsTheKhHttpExecutable) {}

#endif

} // namespace
} // namespace kh
