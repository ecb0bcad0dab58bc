// Sign-in: the checks before any request, the refusal and no-token replies, a network failure, the
// button caption on each path, the raw form body, and one attempt for two quick starts.

#include "account/LoginCtrl.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessLoginDialog.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/RefusingPort.h"
#include "support/SandboxProcess.h"
#include "support/ScriptedServer.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <regex>
#include <thread>

namespace kh {
namespace {

using test::ScriptedServer;
using test::TipRecorder;
using test::WaitUntil;

class LoginCtrlTest : public ::testing::Test
{
protected:
    // A sign-in always runs to its end; a test that failed half-way waits for it before teardown.
    void TearDown() override
    {
        EXPECT_TRUE(WaitUntil([&] { return !login.IsBusy(); }, std::chrono::seconds(60)));
    }
    void Use(ScriptedServer& server, const std::u16string& user, const std::u16string& pwd)
    {
        config.Update([&](SettingsValues& values) {
            values.apiHost = "127.0.0.1:" + std::to_string(server.Port());
            values.userName = user;
            values.password = pwd;
        });
    }
    void SignIn()
    {
        login.StartLogin();
        ASSERT_TRUE(WaitUntil([&] { return !login.IsBusy(); }));
    }

    TipRecorder tips;
    ConfigCenter config{nullptr, nullptr, nullptr};
    OwnerWindow owner{.config = &config};
    HeadlessLoginDialog dialog;
    LoginCtrl login{&owner, &dialog, &TipRecorder::Callback, tips.Context()};
};

TEST_F(LoginCtrlTest, EmptyUserOrPasswordSendsNoRequest)
{
    ScriptedServer server(test::ScriptedServer::JsonReply(R"({"code":0,"msg":"ok","token":"T"})"));
    for (auto [user, pwd] : {std::pair<std::u16string, std::u16string>{u"", u"secret"}, {u"demo", u""}}) {
        tips.Clear();
        Use(server, user, pwd);
        SignIn();
        ASSERT_EQ(tips.Count(), 1u);
        EXPECT_EQ(tips.Tips()[0].message, "登录失败。请输入用户名和密码！");
        EXPECT_EQ(tips.Tips()[0].error, "");
        EXPECT_EQ(dialog.ButtonCaption(), u"登    录");
    }
    EXPECT_TRUE(server.Requests().empty());
    EXPECT_FALSE(dialog.Succeeded());
}

TEST_F(LoginCtrlTest, RefusalShowsPrefixCodeAndServerMessage)
{
    ScriptedServer server(test::ScriptedServer::JsonReply(R"({"code":1,"msg":"用户名或密码错误","token":""})"));
    Use(server, u"demo", u"wrong");
    SignIn();
    ASSERT_EQ(tips.Count(), 1u);
    EXPECT_EQ(tips.Tips()[0].message, "登录失败！1用户名或密码错误");
    EXPECT_EQ(tips.Tips()[0].error, "");
    EXPECT_EQ(dialog.CaptionHistory(), (std::vector<std::u16string>{u"正在登录", u"登    录"}));
    EXPECT_EQ(config.GetToken(), "");
    EXPECT_FALSE(dialog.Succeeded());
}

TEST_F(LoginCtrlTest, SuccessWithoutTokenIsRefusedLocally)
{
    for (std::string body : {R"({"code":0,"msg":"ok"})", R"({"code":0,"msg":"ok","token":""})"}) {
        tips.Clear();
        ScriptedServer server(test::ScriptedServer::JsonReply(body));
        Use(server, u"demo", u"demo");
        SignIn();
        EXPECT_EQ(tips.Errors(), std::vector<std::string>{"LoginCtrl.9."}) << body;
        EXPECT_EQ(tips.Tips()[0].message, "");
        EXPECT_EQ(dialog.ButtonCaption(), u"登    录");
        EXPECT_FALSE(dialog.Succeeded());
    }
}

TEST_F(LoginCtrlTest, UnreachableServerIsNetworkTipWithErrorNumber)
{
    test::RefusingPort refusing;
    config.Update([&](SettingsValues& values) {
        values.apiHost = refusing.Host();
        values.userName = u"demo";
        values.password = u"demo";
    });
    SignIn();
    ASSERT_EQ(tips.Count(), 1u);
    EXPECT_EQ(tips.Tips()[0].message, "网络连接失败，登录失败！");
    EXPECT_TRUE(std::regex_match(tips.Tips()[0].error, std::regex(R"(LoginCtrl\.8\.[1-9][0-9]*\.)")))
        << tips.Tips()[0].error;
    EXPECT_EQ(dialog.ButtonCaption(), u"登    录");
}

TEST_F(LoginCtrlTest, TwoQuickStartsMakeOneRequestAndPublishTheToken)
{
    Event gate(true);
    ScriptedServer server([&](int socket, const std::string&) {
        gate.Wait(10000);
        ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(R"({"code":0,"msg":"ok","token":"tok&en=1"})"));
    });
    Use(server, u"张三", u"a&b=c d");
    login.StartLogin();
    login.StartLogin();
    ASSERT_TRUE(server.WaitForRequests(1));
    login.StartLogin();
    gate.Set();
    ASSERT_TRUE(WaitUntil([&] { return !login.IsBusy(); }));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(tips.Tips().empty());

    // The body goes out unencoded, converted to UTF-8 as a whole.
    std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("POST /login HTTP/1.", 0), 0u) << request;
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), "user=张三&pwd=a&b=c d");

    EXPECT_EQ(config.GetToken(), "tok&en=1");
    EXPECT_TRUE(dialog.Succeeded());
    EXPECT_EQ(dialog.ButtonCaption(), u"正在登录");
}

TEST_F(LoginCtrlTest, SignsInAgainstTheSandboxAndShowsItsRefusal)
{
    test::SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    config.Update([&](SettingsValues& values) {
        values.apiHost = sandbox.Host();
        values.userName = u"demo";
        values.password = u"wrong";
    });
    SignIn();
    ASSERT_EQ(tips.Count(), 1u);
    std::string refusal = tips.Tips()[0].message;
    EXPECT_TRUE(std::regex_match(refusal, std::regex("登录失败！[1-9][0-9]*.+"))) << refusal;
    EXPECT_FALSE(dialog.Succeeded());

    tips.Clear();
    config.Update([&](SettingsValues& values) { values.password = u"demo"; });
    SignIn();
    EXPECT_TRUE(tips.Tips().empty());
    EXPECT_TRUE(dialog.Succeeded());
    EXPECT_FALSE(config.GetToken().empty());
    // The token is the service's: it opens the account.
    EXPECT_NE(sandbox.Post("/userinfo", "token=" + config.GetToken()).find("\"code\":0,"), std::string::npos);
}

// Destroying the controller while its request is in flight waits for the worker, which ends the
// attempt (token stored, notice posted) before the controller is gone.
TEST_F(LoginCtrlTest, DestroyedWhileSigningInWaitsForTheWorker)
{
    ScriptedServer server([](int socket, const std::string&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300)); // the service's latency
        ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(R"({"code":0,"msg":"ok","token":"T"})"));
    });
    Use(server, u"demo", u"demo");
    auto signIn = std::make_unique<LoginCtrl>(&owner, &dialog, &TipRecorder::Callback, tips.Context());
    signIn->StartLogin();
    ASSERT_TRUE(server.WaitForRequests(1));
    signIn.reset();
    EXPECT_TRUE(dialog.Succeeded());
    EXPECT_EQ(config.GetToken(), "T");
    EXPECT_TRUE(tips.Tips().empty());
}

TEST_F(LoginCtrlTest, WithoutOwnerReportsAndEnds)
{
    LoginCtrl orphan(nullptr, &dialog, &TipRecorder::Callback, tips.Context());
    orphan.StartLogin();
    ASSERT_TRUE(WaitUntil([&] { return !orphan.IsBusy(); }));
    EXPECT_EQ(tips.Errors(), std::vector<std::string>{"LoginCtrl.4."});
    EXPECT_TRUE(dialog.CaptionHistory().empty());
}

} // namespace
} // namespace kh
