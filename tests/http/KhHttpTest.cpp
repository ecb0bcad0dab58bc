// kh-http end to end: the reply body on stdout, the error number as exit status.

#include "support/ChildProcess.h"
#include "support/RefusingPort.h"
#include "support/ScriptedServer.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh {
namespace {

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

// A failure names its number and says in words what it means.
TEST(KhHttp, RefusedConnectExitsWith114AndSaysWhatItMeans)
{
    test::RefusingPort refusing;
    test::ProcessResult refused = RunKhHttp({refusing.Url("/")});
    EXPECT_EQ(refused.status, 114);
    EXPECT_NE(refused.err.find("request failed with error 114: not connected"), std::string::npos) << refused.err;

    test::ProcessResult badPort = RunKhHttp({"http://127.0.0.1:99999/"});
    EXPECT_EQ(badPort.status, 13);
    EXPECT_NE(badPort.err.find("error 13: the URL's port is 0, above 65535 or not a number"), std::string::npos)
        << badPort.err;
}

} // namespace
} // namespace kh
