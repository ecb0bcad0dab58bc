// Account figures: the six panes from a reply, a missing member, the once-a-second retries until
// the server answers, and a stop that ends the retries.

#include "account/UserInfoManager.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessStatusBar.h"
#include "http/TlsOptions.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/RefusingPort.h"
#include "support/SandboxProcess.h"
#include "support/ScriptedServer.h"
#include "support/TestCertificates.h"
#include "support/TipRecorder.h"
#include "support/TlsTestServer.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <thread>

namespace kh {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;
using test::TipRecorder;
using test::WaitUntil;

constexpr const char* kFullReply = R"({"code":0,"msg":"ok","username":"u","coin":12.5,"max_get_mobile_size":10,)"
                                   R"("level":"gold","discount":9,"score":100,"extra":1})";

class UserInfoManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        config.SetToken("T0K");
        for (int i = 0; i < 6; ++i)
            statusBar.SetPaneText(i, u"before");
    }
    // A test that failed half-way must still not destroy a manager under its running worker.
    void TearDown() override
    {
        userInfo.StopRefresh();
        EXPECT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }, 30s));
    }
    void Point(const ScriptedServer& server)
    {
        config.Update([&](SettingsValues& values) { values.apiHost = "127.0.0.1:" + std::to_string(server.Port()); });
    }
    void Refresh()
    {
        userInfo.StartRefresh();
        ASSERT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }));
    }
    std::vector<std::u16string> Panes()
    {
        std::vector<std::u16string> panes;
        for (int i = 0; i < 6; ++i)
            panes.push_back(statusBar.PaneText(i));
        return panes;
    }

    TipRecorder tips;
    ConfigCenter config{nullptr, nullptr, nullptr};
    HeadlessStatusBar statusBar;
    OwnerWindow owner{.config = &config, .controls = {.statusBar = &statusBar}};
    UserInfoManager userInfo{&owner, &TipRecorder::Callback, tips.Context()};
};

TEST_F(UserInfoManagerTest, ShowsTheSixFiguresWithTheirLabels)
{
    ScriptedServer server(test::ScriptedServer::JsonReply(kFullReply));
    Point(server);
    Refresh();
    EXPECT_TRUE(tips.Tips().empty());
    EXPECT_EQ(Panes(), (std::vector<std::u16string>{u"用户名：u", u"余额：12.5", u"可获取号码数：10", u"等级：gold",
                                                    u"折扣：9", u"积分：100"}));
    std::string request = server.Requests().at(0);
    EXPECT_EQ(request.rfind("POST /userinfo HTTP/1.", 0), 0u);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), "token=T0K");
}

// Destroying the manager while its request is in flight ends the retries and waits for the worker,
// which still shows the figures of that reply before the manager is gone.
TEST_F(UserInfoManagerTest, DestroyedWhileRefreshingWaitsForTheWorker)
{
    ScriptedServer server([](int socket, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the service's latency
        ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(kFullReply));
    });
    Point(server);
    auto refresh = std::make_unique<UserInfoManager>(&owner, &TipRecorder::Callback, tips.Context());
    refresh->StartRefresh();
    ASSERT_TRUE(server.WaitForRequests(1));
    refresh.reset();
    EXPECT_EQ(Panes()[0], u"用户名：u");
    EXPECT_EQ(Panes()[5], u"积分：100");
    EXPECT_TRUE(tips.Tips().empty());
}

TEST_F(UserInfoManagerTest, MissingFigureShowsNothingAndReportsTip11)
{
    const char* replies[] = {
        R"({"code":0,"msg":"ok","username":"u","coin":1,"max_get_mobile_size":10,"level":"g","discount":9,})",
        // A numeric member at the end of the object has no comma behind it and is not found.
        R"({"code":0,"msg":"ok","username":"u","coin":1,"max_get_mobile_size":10,"level":"g","discount":9,"score":5})",
    };
    for (const char* body : replies) {
        tips.Clear();
        ScriptedServer server(test::ScriptedServer::JsonReply(body));
        Point(server);
        Refresh();
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{"UserInfoManager.11."}) << body;
        EXPECT_EQ(Panes(), std::vector<std::u16string>(6, u"before"));
    }
}

TEST_F(UserInfoManagerTest, RetriesEverySecondUntilTheServerAnswers)
{
    std::atomic<int> calls{0};
    ScriptedServer server([&](int socket, const std::string&) {
        if (++calls <= 2)
            ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(R"({"code":2,"msg":"令牌无效"})"));
        else
            ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(kFullReply));
    });
    Point(server);
    auto start = std::chrono::steady_clock::now();
    Refresh();
    auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(tips.Messages(), std::vector<std::string>(2, "正在获取用户信息...获取失败！2令牌无效"));
    EXPECT_EQ(server.Requests().size(), 3u);
    EXPECT_GE(took, 1900ms) << "two waits of a second between the three attempts";
    EXPECT_EQ(statusBar.PaneText(5), u"积分：100");
}

TEST_F(UserInfoManagerTest, StopEndsTheRetriesWithoutShowing)
{
    test::RefusingPort refusing;
    config.Update([&](SettingsValues& values) { values.apiHost = refusing.Host(); });
    userInfo.StartRefresh();
    ASSERT_TRUE(WaitUntil([&] { return tips.Count() >= 2; }, 5s));
    for (const auto& tip : tips.Tips()) {
        EXPECT_EQ(tip.message, "正在获取用户信息...网络连接失败，获取失败！");
        EXPECT_TRUE(std::regex_match(tip.error, std::regex(R"(UserInfoManager\.9\.[0-9]+\.)"))) << tip.error;
    }
    userInfo.StopRefresh();
    EXPECT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }, 1500ms));
    EXPECT_EQ(Panes(), std::vector<std::u16string>(6, u"before"));

    // Once stopped, a new refresh gives up after its first failure.
    size_t before = tips.Count();
    Refresh();
    EXPECT_EQ(tips.Count(), before + 1);
}

TEST_F(UserInfoManagerTest, FillsThePanesFromTheSandboxAfterDroppedConnections)
{
    test::SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    config.Update([&](SettingsValues& values) { values.apiHost = sandbox.Host(); });
    config.SetToken(sandbox.Login());
    ASSERT_FALSE(config.GetToken().empty());
    test::SandboxFault fault;
    fault.path = "/userinfo";
    fault.kind = "close";
    fault.count = 2;
    ASSERT_TRUE(sandbox.InjectFault(fault));
    Refresh();
    EXPECT_EQ(tips.Messages(), std::vector<std::string>(2, "正在获取用户信息...网络连接失败，获取失败！"));
    EXPECT_EQ(statusBar.PaneText(0), u"用户名：demo");
    const char16_t* labels[] = {u"用户名：", u"余额：", u"可获取号码数：", u"等级：", u"折扣：", u"积分："};
    for (int i = 0; i < 6; ++i) {
        std::u16string pane = statusBar.PaneText(i);
        EXPECT_EQ(pane.rfind(labels[i], 0), 0u) << i;
        EXPECT_GT(pane.size(), std::u16string(labels[i]).size()) << i;
    }
}

TEST_F(UserInfoManagerTest, EmptyTokenEndsAtOnce)
{
    ScriptedServer server(test::ScriptedServer::JsonReply(kFullReply));
    Point(server);
    config.SetToken({});
    Refresh();
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"UserInfoManager.5."});
    EXPECT_TRUE(server.Requests().empty());
}

#ifndef _WIN32
// The test certificates and the TLS server are made with OpenSSL, which the Windows build lacks;
// the WinHTTP channel's certificate policy has its tests in tests/http.
// Over HTTPS the refresh follows the certificate settings: a certificate nobody vouches for is
// refused with a tip that says so, a private CA named in ServerConfig_TlsCaFile is trusted, and
// with ServerConfig_TlsInsecure every request is made but reported as not verified.
TEST_F(UserInfoManagerTest, HttpsRefreshFollowsTheCertificateSettings)
{
    const test::TestCertificate ca = test::MakeCertificate({.commonName = "Test CA", .dnsNames = {}, .isCa = true});
    const test::TestCertificate signedByCa = test::MakeCertificate({}, &ca);
    const test::TestCertificate selfSigned = test::MakeCertificate({});
    test::TempFile caFile(ca.certificatePem);
    const std::string unverified = kTlsUnverifiedText;
    const std::string selfSignedText =
        std::string("正在获取用户信息...网络连接失败，获取失败！") + TlsProblemText(TlsProblem::SelfSigned);
    struct Case
    {
        const char* name;
        const test::TestCertificate* certificate;
        std::string caFile;
        uint32_t insecure;
        bool filled;
        std::string expectedMessage; // a tip that must be raised
    };
    const Case cases[] = {
        {"self-signed, checked", &selfSigned, "", 0, false, selfSignedText},
        {"self-signed, not checked", &selfSigned, "", 1, true, unverified},
        {"signed by the CA of the CA file", &signedByCa, caFile.Path(), 0, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tips.Clear();
        for (int i = 0; i < 6; ++i)
            statusBar.SetPaneText(i, u"before");
        test::TlsTestServer server(*c.certificate, test::ScriptedServer::JsonReply(kFullReply));
        config.Update([&](SettingsValues& values) {
            values.apiHost = "https://localhost:" + std::to_string(server.Port());
            values.tlsCaFile = AnsiToWide(c.caFile);
            values.tlsInsecure = c.insecure;
        });
        userInfo.StartRefresh();
        if (c.filled) {
            ASSERT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }));
            EXPECT_EQ(Panes()[0], u"用户名：u");
        } else {
            // Refused certificates are retried once a second like any network failure.
            ASSERT_TRUE(WaitUntil([&] {
                for (const std::string& error : tips.Errors())
                    if (error == "UserInfoManager.9.134.")
                        return true;
                return false;
            }));
            userInfo.StopRefresh();
            ASSERT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }));
            EXPECT_EQ(Panes()[0], u"before");
        }
        std::vector<std::string> messages = tips.Messages();
        bool sawUnverified = std::find(messages.begin(), messages.end(), unverified) != messages.end();
        EXPECT_EQ(sawUnverified, c.insecure != 0);
        if (!c.expectedMessage.empty()) {
            EXPECT_NE(std::find(messages.begin(), messages.end(), c.expectedMessage), messages.end());
        }
        userInfo.stopEvent.Reset();
    }
}
#endif

} // namespace
} // namespace kh
