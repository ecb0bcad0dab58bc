// kh-http's certificate options against TLS servers on loopback whose certificates are made at test
// time (OpenSSL, so Linux only).

#include "support/ChildProcess.h"
#include "support/TestCertificates.h"
#include "support/TlsTestServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

test::ProcessResult RunKhHttp(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv = {KH_KH_HTTP_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return test::RunProcess(argv);
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

} // namespace
} // namespace kh
