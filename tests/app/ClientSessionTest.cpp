// The client session as the one composition root: commands and their tickets, the start-up queue,
// the shutdown answered both ways, the sign-in and the targets of the sign-in and settings tips,
// the version-check interval option, and stopping every manager while its jobs retry.

#include "app/ClientSession.h"

#include "app/Dispatcher.h"
#include "headless/HeadlessControls.h"
#include "platform/TextCodec.h"
#include "support/RefusingPort.h"
#include "support/SandboxProcess.h"
#include "support/SessionFixture.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#ifndef _WIN32
#include "http/TlsOptions.h"
#include "support/ScriptedServer.h"
#include "support/TlsTestServer.h"
#endif

#include <chrono>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace kh {
namespace {

using namespace std::chrono_literals;
using test::TipRecorder;
using test::WaitUntil;

// Every tip the session's observer saw, with its marker.
class MarkerLog
{
public:
    SessionOptions Options(uint32_t versionCheckInterval = UpdateManager::kCheckInterval)
    {
        SessionOptions options;
        options.versionCheckInterval = versionCheckInterval;
        options.tipObserver = [this](const char* marker, const std::string& message, const std::string&) {
            std::lock_guard<std::mutex> guard(mutex);
            seen.push_back(std::string(marker) + message);
        };
        return options;
    }
    std::vector<std::string> Seen()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return seen;
    }

private:
    std::mutex mutex;
    std::vector<std::string> seen;
};

class ClientSessionTest : public ::testing::Test
{
protected:
    // A session whose hosts are a refusing port: every server job fails and retries.
    std::unique_ptr<ClientSession> MakeSession(const SessionControls& plugged, SessionOptions options = {})
    {
        auto session = std::make_unique<ClientSession>(plugged, std::move(options));
        session->LoadSettings();
        session->Config().SetExecutableLocation(AnsiToWide(settings.Path()), session->Config().ExecutablePath());
        session->Config().Update([&](SettingsValues& values) {
            values.apiHost = refusing.Host();
            values.servicesHost = refusing.Host();
        });
        session->Config().SetToken("TOKEN");
        return session;
    }

    test::TempSettingsDir settings;
    test::RefusingPort refusing;
    HeadlessControls controls;
    MarkerLog markers;
};

TEST_F(ClientSessionTest, CommandsRunInOrderAndEachTicketWaitsForItsOwn)
{
    auto session = MakeSession(controls.Controls());
    uint64_t early = session->Push(kCmdToggleWindowTop);
    EXPECT_FALSE(session->WaitForCommand(early, 20ms)) << "pushed before the worker starts, it waits";
    ASSERT_TRUE(session->Start(false));
    EXPECT_FALSE(session->Start(false)) << "once only";
    uint64_t second = session->Push(kCmdToggleWindowTop);
    uint64_t third = session->Push(kCmdToggleWindowTop);
    EXPECT_LT(early, second);
    ASSERT_TRUE(session->WaitForCommand(third, 10s));
    EXPECT_EQ(controls.journal.Entries(),
              (std::vector<std::string>{"window.topmost", "window.notopmost", "window.topmost"}));
    EXPECT_TRUE(session->RunCommand(kCmdTrayNotify, kTrayLeftButtonDown, 10s));
    EXPECT_FALSE(controls.window.IsVisible());
}

TEST_F(ClientSessionTest, StartQueuesTheStartUpCommandsAndTheDestructorStopsTheRetryingJobs)
{
    auto session = MakeSession(controls.Controls(), markers.Options());
    ASSERT_TRUE(session->Start());
    // The seven start-up commands hold the first seven tickets.
    ASSERT_TRUE(session->WaitForCommand(std::size(kStartupCommands), 10s));
    std::vector<std::string> journal = controls.journal.Entries();
    EXPECT_EQ(journal, (std::vector<std::string>{"tray.add", "window.notopmost"}));
    EXPECT_EQ(controls.provinceCombo.GetWindowText(), u"不限");
    EXPECT_GT(controls.listView.GetHeaderColumnCount(), 0);
    // The project list, the account figures and the version check fail against the refusing port
    // and retry once a second until stopped; their tips reach the tips view and the observer.
    ASSERT_TRUE(WaitUntil([&] { return session->Projects().IsBusy() && session->UserInfo().IsBusy(); }));
    ASSERT_TRUE(WaitUntil([&] {
        return WideToUtf8(controls.tipsView.GetText()).find("正在获取项目列表...网络连接失败") != std::string::npos;
    }));
    bool observed = false;
    for (const std::string& tip : markers.Seen())
        observed = observed || tip.rfind("ProjectManager.正在获取项目列表...", 0) == 0;
    EXPECT_TRUE(observed);

    session->StopAndWait();
    EXPECT_FALSE(session->Projects().IsBusy() || session->UserInfo().IsBusy() || session->Updates().IsBusy());
    // Jobs started again end with the session: the destructor stops and waits for them too.
    session->RunCommand(kCmdFetchProjects);
    session->RunCommand(kCmdRefreshUserInfo);
    session.reset();
}

TEST_F(ClientSessionTest, ShutdownEndsTheWorkerOnlyWhenConfirmed)
{
    auto session = MakeSession(controls.Controls());
    EXPECT_FALSE(session->Shutdown(1s)) << "no worker runs yet";
    ASSERT_TRUE(session->Start(false));
    EXPECT_FALSE(session->Shutdown(10s)) << "the message box answers Cancel";
    EXPECT_TRUE(session->IsRunning());
    EXPECT_FALSE(controls.window.ClosePosted());

    controls.messageBox.QueueAnswer(kIdOk);
    ASSERT_TRUE(session->Shutdown(60s));
    EXPECT_FALSE(session->IsRunning());
    EXPECT_TRUE(session->WaitUntilEnded(0ms));
    EXPECT_TRUE(controls.window.ClosePosted());
    // Nothing runs after the stop flag, and waiting for it does not hang.
    uint64_t late = session->Push(kCmdToggleWindowTop);
    EXPECT_TRUE(session->WaitForCommand(late, 1s));
    EXPECT_EQ(controls.journal.IndexOf("window.topmost"), -1);
    EXPECT_FALSE(session->Shutdown(1s));
}

TEST_F(ClientSessionTest, SignInTipsGoToTheLoginTargetAndSettingsTipsToTheSettingsTarget)
{
    test::SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
#ifdef _WIN32
    // The registry is never damaged: a value of another type is what loading reports there.
    settings.WriteBinarySettingsValue("GetSMSConfig_SpaceTime");
#else
    // A damaged store: loading it is a settings tip.
    settings.WriteSettingsFile("{ not json");
#endif
    TipRecorder loginTips;
    TipRecorder settingsTips;
    SessionControls plugged = controls.Controls();
    plugged.loginTip = &TipRecorder::Callback;
    plugged.loginTipContext = loginTips.Context();
    plugged.settingsTip = &TipRecorder::Callback;
    plugged.settingsTipContext = settingsTips.Context();
    auto session = MakeSession(plugged, markers.Options());
    EXPECT_GT(settingsTips.Count(), 0u);
    {
        session->Config().Update([&](SettingsValues& values) { values.apiHost = sandbox.Host(); });
        session->Config().SetToken({});
        session->Config().Update([&](SettingsValues& values) {
            values.userName = u"demo";
            values.password = u"wrong";
        });
    }

    session->StartSignIn();
    EXPECT_FALSE(session->WaitForSignIn(30s));
    ASSERT_EQ(loginTips.Count(), 1u);
    EXPECT_EQ(loginTips.Messages()[0].rfind("登录失败！", 0), 0u) << loginTips.Messages()[0];
    EXPECT_FALSE(controls.loginDialog.Succeeded());

    {
        session->Config().Update([&](SettingsValues& values) { values.password = u"demo"; });
    }
    session->StartSignIn();
    EXPECT_TRUE(session->WaitForSignIn(30s));
    EXPECT_FALSE(session->IsSigningIn());
    EXPECT_TRUE(controls.loginDialog.Succeeded());
    EXPECT_EQ(session->Config().GetToken(), sandbox.Login());
    EXPECT_EQ(loginTips.Count(), 1u);

    // Neither reached the tips box, which does not show anything before the start.
    EXPECT_TRUE(controls.messageBox.Shown().empty());
    EXPECT_EQ(controls.tipsView.TextLength(), 0u);
    std::vector<std::string> seen = markers.Seen();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back().rfind("LoginCtrl.登录失败！", 0), 0u) << seen.back();
    EXPECT_EQ(seen.front().rfind("ConfigCenter.", 0), 0u) << seen.front();
}

TEST_F(ClientSessionTest, VersionCheckRunsAtTheIntervalOfTheOptions)
{
    test::SandboxProcess sandbox;
    KH_REQUIRE_SANDBOX(sandbox);
    auto session = MakeSession(controls.Controls(), markers.Options(100));
    {
        session->Config().Update([&](SettingsValues& values) { values.servicesHost = sandbox.Host(); });
    }
    ASSERT_TRUE(session->Start(false));
    session->RunCommand(kCmdVersionCheck);
    EXPECT_TRUE(WaitUntil([&] { return sandbox.RequestCount("/get_version.aspx") >= 3; }));
}

#ifndef _WIN32
// The test certificates are made with OpenSSL, which the Windows build lacks.
// With certificate checking off, "not verified" is said once per sign-in, not with every request,
// and stays in view in the status bar's notice pane; a new sign-in says it again.
TEST(ClientSessionTlsTest, UnverifiedConnectionsAreSaidOncePerSignInAndMarkedInTheStatusBar)
{
    const test::TestCertificate selfSigned = test::MakeCertificate({});
    test::TlsTestServer server(
        selfSigned,
        test::ScriptedServer::JsonReply(R"({"code":0,"msg":"ok","token":"t1","username":"u","coin":1,)"
                                        R"("max_get_mobile_size":5,"level":"l","discount":1,"score":0,"end":0})"));
    test::SessionFixture rig;
    rig.Configure([&](SettingsValues& c) {
        c.apiHost = "https://localhost:" + std::to_string(server.Port());
        c.tlsInsecure = 1;
    });
    auto said = [&] {
        std::vector<std::string> messages = rig.tips.Messages();
        return std::count(messages.begin(), messages.end(), std::string(kTlsUnverifiedText));
    };
    for (int signIn = 1; signIn <= 2; ++signIn) {
        SCOPED_TRACE(signIn);
        ASSERT_TRUE(rig.SignIn());
        for (int refresh = 0; refresh < 3; ++refresh) {
            rig.UserInfo().StartRefresh();
            ASSERT_TRUE(ClientSession::WaitForIdle(rig.UserInfo(), 30s));
        }
        EXPECT_EQ(rig.controls.statusBar.PaneText(0), u"用户名：u");
        EXPECT_EQ(said(), signIn);
        EXPECT_EQ(rig.controls.statusBar.PaneText(StatusBarPort::kNoticePane), kTlsUnverifiedMark);
    }
}
#endif

} // namespace
} // namespace kh
