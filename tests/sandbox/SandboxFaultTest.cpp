// Injected faults as the client sees them: an error number from HttpClient, or a reply whose code
// the client refuses; and the rules of injection (next N requests, probability, one path or all).

#include "ClientCall.h"
#include "SandboxScenario.h"
#include "SignedInSandbox.h"
#include "http/HttpErrors.h"
#include "support/SandboxProcess.h"

#include <algorithm>
#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kh::test {
namespace {

class SandboxFaultTest : public SignedInSandboxTest
{
protected:
    SandboxFaultTest() : SignedInSandboxTest(3) {}

    ClientReply UserInfo(int receiveTimeoutMs = 10000)
    {
        return CallSandbox(sandbox, "/userinfo", "token=" + token, receiveTimeoutMs);
    }
};

TEST_F(SandboxFaultTest, EachFaultKindAsTheClientSeesIt)
{
    struct Case
    {
        const char* kind;
        int error;        // HttpClient's error number
        const char* code; // the reply's code as GetReplyField reads it
    };
    const Case cases[] = {
        {"close", kErrClosedEarly, ""}, {"close_after_headers", kErrClosedEarly, ""},
        {"http500", kHttpOk, ""},    // an HTML page: no code member, a refusal
        {"malformed", kHttpOk, "0"}, // claims success, but the JSON breaks off
        {"reply", kHttpOk, "555"},
    };
    for (const Case& c : cases) {
        SandboxFault fault;
        fault.path = "/userinfo";
        fault.kind = c.kind;
        fault.code = "555";
        fault.msg = "维护中";
        ASSERT_TRUE(sandbox.InjectFault(fault)) << c.kind;
        ClientReply faulted = UserInfo();
        EXPECT_EQ(faulted.error, c.error) << c.kind;
        EXPECT_EQ(faulted.code, c.code) << c.kind << ": " << faulted.text;
        EXPECT_TRUE(faulted.Field("\"score\":", ",").empty()) << c.kind;
        if (std::string(c.kind) == "reply") {
            EXPECT_EQ(faulted.msg, "维护中");
        }
        if (std::string(c.kind) == "http500") {
            EXPECT_NE(faulted.text.find("<html"), std::string::npos);
        }
        // The fault was for one request only.
        EXPECT_EQ(UserInfo().code, "0") << "after " << c.kind;
    }
}

TEST_F(SandboxFaultTest, LatencyDelaysTheReplyAndTimesOutAnImpatientClient)
{
    SandboxFault fault;
    fault.path = "/userinfo";
    fault.kind = "latency";
    fault.count = 2;
    fault.latencyMs = 400;
    ASSERT_TRUE(sandbox.InjectFault(fault));

    auto start = std::chrono::steady_clock::now();
    ClientReply slow = UserInfo();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_EQ(slow.code, "0") << "a delayed request is still served";

    EXPECT_EQ(UserInfo(100).error, kErrReceive);
    EXPECT_EQ(UserInfo(100).code, "0") << "two delays only";
}

TEST_F(SandboxFaultTest, ReplacedRequestsLeaveTheStateUnchanged)
{
    SandboxFault fault;
    fault.path = "/get_mobile";
    fault.kind = "close";
    fault.count = 2;
    ASSERT_TRUE(sandbox.InjectFault(fault));
    const std::string body = "token=" + token + "&pid=1&size=1&prov=&corp=&style=1";
    EXPECT_NE(CallSandbox(sandbox, "/get_mobile", body).error, kHttpOk);
    EXPECT_NE(CallSandbox(sandbox, "/get_mobile", body).error, kHttpOk);
    EXPECT_EQ(sandbox.State().find("\"status\":"), std::string::npos) << "no number was rented";
    EXPECT_EQ(sandbox.RequestCount("/get_mobile"), 2);

    ClientReply served = CallSandbox(sandbox, "/get_mobile", body);
    EXPECT_EQ(served.code, "0");
    EXPECT_EQ(ListedMobiles(served.text).size(), 1u);
}

TEST_F(SandboxFaultTest, FaultsStayOnTheirPathUnlessGivenForAll)
{
    SandboxFault fault;
    fault.path = "/get_project_list";
    fault.kind = "http500";
    fault.count = -1;
    fault.probability = 1.0;
    ASSERT_TRUE(sandbox.InjectFault(fault));
    EXPECT_EQ(UserInfo().code, "0");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(CallSandbox(sandbox, "/get_project_list", "token=" + token).code, "") << "no limit on the count";

    fault.path = "*";
    fault.kind = "reply";
    fault.code = "777";
    ASSERT_TRUE(sandbox.InjectFault(fault));
    EXPECT_EQ(UserInfo().code, "777");
    EXPECT_EQ(CallSandbox(sandbox, "/get_project_list", "token=" + token).code, "") << "the path's own rule wins";

    ASSERT_TRUE(sandbox.ClearFaults());
    EXPECT_EQ(UserInfo().code, "0");
    EXPECT_EQ(CallSandbox(sandbox, "/get_project_list", "token=" + token).code, "0");
}

TEST_F(SandboxFaultTest, ProbableFaultsHitSomeRequestsTheSameWayForTheSameSeed)
{
    auto pattern = [](SandboxProcess& target, const std::string& user) {
        SandboxFault fault;
        fault.path = "/userinfo";
        fault.kind = "reply";
        fault.code = "500";
        fault.count = -1;
        fault.probability = 0.5;
        EXPECT_TRUE(target.InjectFault(fault));
        std::string hits;
        for (int i = 0; i < 40; ++i)
            hits += CallSandbox(target, "/userinfo", "token=" + user).code == "500" ? 'x' : '.';
        return hits;
    };
    std::string first = pattern(sandbox, token);
    size_t hit = std::count(first.begin(), first.end(), 'x');
    EXPECT_GT(hit, 5u) << first;
    EXPECT_LT(hit, 35u) << first;

    SandboxProcess twin(SandboxOptions{kTestScenario, {}, 3, 0});
    ASSERT_TRUE(twin.Started()) << twin.Error();
    EXPECT_EQ(pattern(twin, twin.Login("u", "p")), first);
}

// A cut reply is the endpoint's own, short by some bytes: the numbers were rented all the same.
// Cut as a proxy would, it arrives shortened; cut as a lost connection, the client sees the close.
TEST_F(SandboxFaultTest, CutRepliesAreShortButTheEndpointDidItsWork)
{
    const std::string body = "token=" + token + "&pid=1&size=1&prov=&corp=&style=1";
    ClientReply whole = CallSandbox(sandbox, "/get_mobile", body);
    ASSERT_EQ(ListedMobiles(whole.text).size(), 1u);
    for (bool close : {false, true}) {
        SCOPED_TRACE(close ? "connection lost" : "truncated");
        SandboxFault fault;
        fault.path = "/get_mobile";
        fault.kind = "cut";
        fault.dropBytes = 3;
        fault.closeMidBody = close;
        ASSERT_TRUE(sandbox.InjectFault(fault));
        HttpClient client;
        client.Reset();
        client.UseUtf8();
        std::string text;
        int error = client.Send(sandbox.Url("/get_mobile"), body, text);
        std::string received = close ? client.PartialReply() : text;
        EXPECT_EQ(error, close ? kErrClosedEarly : kHttpOk);
        // The same shape as the whole reply (the next number of the pool, whose place has as many
        // letters), three bytes short: the end of the list and of the object.
        EXPECT_EQ(received.size() + 3, whole.text.size()) << received;
        EXPECT_EQ(GetReplyField(received, "\"code\":", ","), "0");
        EXPECT_TRUE(ParseJson(received) == nullptr);
    }
    size_t held = 0;
    for (const char* mobile :
         {"13800000001", "13800000002", "13000000003", "13300000004", "13300000005", "13800000006"})
        held += sandbox.NumberStatus("u", mobile) == "waiting" ? 1 : 0;
    EXPECT_EQ(held, 3u);
}

TEST_F(SandboxFaultTest, BadFaultRequestsAreRefused)
{
    const char* bodies[] = {
        "not json",
        "{}",
        R"({"path":"/x","kind":"explode","count":1})",
        R"({"path":"/x","kind":"close"})",
        R"({"path":"/x","kind":"latency","count":1})",
        R"({"path":"/x","kind":"reply","count":1})",
        R"({"path":"/x","kind":"close","probability":2})",
        R"({"path":"/x","kind":"cut","count":1})",
        R"({"path":"/x","kind":"cut","count":1,"drop_bytes":3,"close":1})",
    };
    for (const char* body : bodies) {
        int status = 0;
        std::string reply = sandbox.Post("/_sandbox/fault", body, &status);
        EXPECT_EQ(status, 400) << body;
        EXPECT_NE(reply.find("\"error\""), std::string::npos) << body;
    }
    EXPECT_EQ(UserInfo().code, "0");
}

} // namespace
} // namespace kh::test
