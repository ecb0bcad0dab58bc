// The sandbox under bad input and load, its web pages, repeatable runs with --seed, and its
// start-up and shutdown as a process.

#include "ClientCall.h"
#include "SandboxScenario.h"
#include "http/HttpErrors.h"
#include "support/SandboxProcess.h"

#include <arpa/inet.h>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kh::test {
namespace {

std::string Get(SandboxProcess& sandbox, const std::string& target, int* status = nullptr)
{
    httplib::Client client("127.0.0.1", sandbox.Port());
    client.set_read_timeout(10, 0);
    auto result = client.Get(target.c_str());
    if (status)
        *status = result ? result->status : -1;
    return result ? result->body : std::string();
}

class SandboxRobustnessTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(sandbox.Started()) << sandbox.Error();
        token = sandbox.Login("u", "p");
        ASSERT_FALSE(token.empty());
    }

    SandboxProcess sandbox{SandboxOptions{kTestScenario, {}, 5, 0}};
    std::string token;
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

TEST_F(SandboxRobustnessTest, IdleConnectionsDoNotStarveOtherClients)
{
    // More silent connections than request threads: each is given up after a short wait, so a real
    // client behind them is still answered within its time-outs.
    std::vector<int> idle;
    for (int i = 0; i < 100; ++i) {
        int fd = socket(AF_INET, SOCK_STREAM, 0);
        ASSERT_GE(fd, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(sandbox.Port()));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        idle.push_back(fd);
    }
    ClientReply reply = CallSandbox(sandbox, "/get_version.aspx", "soft_id=1");
    EXPECT_EQ(reply.error, kHttpOk);
    EXPECT_EQ(reply.code, "0");
    for (int fd : idle)
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
