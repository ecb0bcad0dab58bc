// The command dispatcher over the real managers and the in-memory controls: unknown codes, the
// tray toggle, window-on-top, the web pages with the raw token, the settings centre, command 9's
// reading of the choice boxes, command 10's three states, and the shutdown sequence (cancel,
// confirm against the sandbox, and an unreachable server).

#include "app/Dispatcher.h"

#include "account/UpdateManager.h"
#include "account/UserInfoManager.h"
#include "app/TipsBox.h"
#include "core/CommandQueue.h"
#include "headless/HeadlessJournal.h"
#include "headless/HeadlessMainWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessSettingsCentre.h"
#include "headless/HeadlessShell.h"
#include "headless/HeadlessStatusBar.h"
#include "headless/HeadlessTipsView.h"
#include "headless/HeadlessTrayIcon.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "support/RefusingPort.h"
#include "support/ScriptedServer.h"
#include "support/SessionFixture.h"
#include "support/WaitUntil.h"

#include <algorithm>
#include <cjson/cJSON.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>

namespace kh {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;
using test::SessionFixture;
using test::WaitUntil;

std::string Path(const std::string& request)
{
    size_t start = request.find(' ') + 1;
    return request.substr(start, request.find(' ', start) - start);
}

std::string Body(const std::string& request)
{
    size_t end = request.find("\r\n\r\n");
    return end == std::string::npos ? std::string() : request.substr(end + 4);
}

// A stand-in service whose numbers never receive an SMS, so a fetch runs until it is stopped.
void FakeService(int socket, const std::string& request)
{
    std::string path = Path(request);
    std::string body = R"({"code":0,"msg":"ok"})";
    if (path == "/get_mobile")
        body = R"({"code":0,"msg":"ok","list":[{"mobile":"13800000001","prov":"广东","city":"广州","corp":"移动"}]})";
    else if (path == "/get_sms")
        body = R"({"code":207,"msg":"暂未收到"})";
    else if (path == "/userinfo")
        body = R"({"code":0,"msg":"ok","username":"demo","coin":10,"max_get_mobile_size":5,"level":"1",)"
               R"("discount":9,"score":1,"x":0})";
    ScriptedServer::SendAll(socket, test::ScriptedServer::JsonReply(body));
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DispatcherTest : public ::testing::Test
{
protected:
    bool Dispatch(int32_t code, int32_t argument = 0) { return DispatchCommand(&fx.Owner(), {code, argument}); }
    void UseService(const ScriptedServer& server)
    {
        std::string host = "127.0.0.1:" + std::to_string(server.Port());
        fx.Configure([&](SettingsValues& c) {
            c.apiHost = host;
            c.servicesHost = host;
        });
        fx.Config().SetToken("TOKEN");
    }

    void TearDown() override
    {
        userInfo.StopRefresh();
        updates.StopVersionCheck();
        EXPECT_TRUE(ClientSession::WaitForIdle(userInfo, 30s) && ClientSession::WaitForIdle(updates, 30s));
    }

    SessionFixture fx;
    HeadlessControls& controls = fx.controls;
    HeadlessJournal& journal = controls.journal;
    HeadlessMessageBox& messageBox = controls.messageBox;
    HeadlessShell& shell = controls.shell;
    HeadlessTrayIcon& tray = controls.trayIcon;
    HeadlessMainWindow& mainWindow = controls.window;
    HeadlessSettingsCentre& centre = controls.settingsCentre;
    HeadlessStatusBar& statusBar = controls.statusBar;
    HeadlessTipsView& tipsView = controls.tipsView;
    TipsBox& tipsBox = fx.session.Tips();
    UserInfoManager& userInfo = fx.UserInfo();
    UpdateManager& updates = fx.Updates();
    const std::string logDir = fx.ProgramDirectory();
};

TEST_F(DispatcherTest, UnknownCodesAreIgnoredAndTheWorkerGoesOn)
{
    for (int32_t code : {0, 27, -1, 1000})
        fx.session.Push(code, 0x201);
    ASSERT_TRUE(fx.session.RunCommand(kCmdToggleWindowTop, 0, 10s));
    EXPECT_TRUE(mainWindow.IsTopMost());
    EXPECT_EQ(journal.Entries(), std::vector<std::string>{"window.topmost"});
    EXPECT_TRUE(fx.session.IsRunning());
    EXPECT_EQ(fx.tips.Count(), 0u);
    EXPECT_FALSE(DispatchCommand(nullptr, {kCmdShutdown, 0}));
}

TEST_F(DispatcherTest, TrayLeftPressTogglesTheWindowOtherNotificationsDoNothing)
{
    EXPECT_FALSE(Dispatch(kCmdTrayNotify, 0x204)); // right button
    EXPECT_TRUE(mainWindow.IsVisible());
    Dispatch(kCmdTrayNotify, kTrayLeftButtonDown);
    EXPECT_FALSE(mainWindow.IsVisible());
    Dispatch(kCmdTrayNotify, kTrayLeftButtonDown);
    EXPECT_TRUE(mainWindow.IsVisible());
    EXPECT_EQ(journal.Entries(), (std::vector<std::string>{"window.hide", "window.show", "window.switch"}));

    Dispatch(kCmdAddTrayIcon);
    EXPECT_TRUE(tray.IsShown());
    Dispatch(kCmdAddTrayIcon);
    // The tray reports through the main window's tip callback, into the tips box.
    EXPECT_NE(WideToUtf8(tipsView.GetText()).find("发生内部错误！错误串：TrayIcon.3.。"), std::string::npos);
}

TEST_F(DispatcherTest, WindowTopFollowsAndInvertsItsSetting)
{
    fx.Configure([](SettingsValues& c) { c.windowTop = 1; });
    Dispatch(kCmdApplyWindowTop);
    EXPECT_TRUE(mainWindow.IsTopMost());
    EXPECT_TRUE(fx.controls.toolBar.IsButtonChecked(kIdWindowTop));
    Dispatch(kCmdToggleWindowTop);
    EXPECT_FALSE(mainWindow.IsTopMost());
    EXPECT_FALSE(fx.controls.toolBar.IsButtonChecked(kIdWindowTop));
    EXPECT_EQ(fx.Config().Snapshot().windowTop, 0u);
    Dispatch(kCmdToggleWindowTop);
    EXPECT_TRUE(mainWindow.IsTopMost());
    EXPECT_EQ(fx.Config().Snapshot().windowTop, 1u);
}

TEST_F(DispatcherTest, WebPagesCarryTheTokenUnencoded)
{
    fx.Config().SetToken("a+b/c=d&e%20");
    fx.Configure([](SettingsValues& c) { c.webSite = "site.test:8080"; });
    Dispatch(kCmdProjectManagement);
    Dispatch(kCmdRecharge);
    Dispatch(kCmdProjectLink);
    EXPECT_EQ(shell.Opened(), (std::vector<std::u16string>{
                                  u"http://site.test:8080/oauth.aspx?token=a+b/c=d&e%20&jump=project",
                                  u"http://site.test:8080/oauth.aspx?token=a+b/c=d&e%20&jump=pay",
                                  u"http://site.test:8080/oauth.aspx?token=a+b/c=d&e%20&jump=transfer",
                              }));
    std::string text = WideToUtf8(tipsView.GetText());
    EXPECT_EQ(text.substr(19), "管理完项目后，请重新打开本软件！") << "only command 21 adds the hint";

    // A site written with its scheme keeps it: written once, with the site's port.
    fx.Configure([](SettingsValues& c) { c.webSite = "https://site.test:8443/"; });
    Dispatch(kCmdRecharge);
    EXPECT_EQ(shell.Opened().back(), u"https://site.test:8443/oauth.aspx?token=a+b/c=d&e%20&jump=pay");

    // A shell that fails is skipped silently.
    tipsView.Clear();
    shell.SetResult(32);
    Dispatch(kCmdProjectManagement);
    EXPECT_EQ(tipsView.TextLength(), 0u);
    EXPECT_EQ(fx.tips.Count(), 0u);
}

TEST_F(DispatcherTest, SettingsCentrePagesAndTheRuleCheck)
{
    Dispatch(kCmdSettingsCentre);
    EXPECT_EQ(centre.SelectedPage(), SettingsCentrePort::kGetSmsPage);
    EXPECT_EQ(centre.ShowCount(), 1);
    Dispatch(kCmdExtractRule);
    EXPECT_EQ(centre.SelectedPage(), SettingsCentrePort::kExtractRulePage);
    EXPECT_EQ(centre.CentreCount(), 2);

    // A usable rule shows nothing; an unusable one opens the rule page.
    centre.SelectPage(SettingsCentrePort::kGetSmsPage);
    Dispatch(kCmdAutoExtractChecked);
    EXPECT_EQ(centre.ShowCount(), 2);
    fx.Configure([](SettingsValues& c) {
        c.extractMode = 1;
        c.keywordHead.clear();
        c.keywordTail.clear();
    });
    Dispatch(kCmdAutoExtractChecked);
    EXPECT_EQ(centre.ShowCount(), 3);
    EXPECT_EQ(centre.SelectedPage(), SettingsCentrePort::kExtractRulePage);
}

TEST_F(DispatcherTest, GetNumbersReadsNoRestrictionAsEmptyAndRefreshesTheAccount)
{
    ScriptedServer server(&FakeService);
    UseService(server);
    fx.ChooseProject(u"1001");
    fx.controls.countBox.SetWindowText(u"2");
    fx.controls.provinceCombo.SetCurSel(0); // 不限
    fx.controls.carrierCombo.SetCurSel(1);  // 移动
    ASSERT_EQ(fx.controls.carrierCombo.GetWindowText(), u"移动");
    Dispatch(kCmdGetNumbers);
    ASSERT_TRUE(fx.WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return !userInfo.IsBusy(); }));

    std::string mobileBody;
    bool askedUserInfo = false;
    for (const std::string& request : server.Requests()) {
        if (Path(request) == "/get_mobile")
            mobileBody = Body(request);
        askedUserInfo = askedUserInfo || Path(request) == "/userinfo";
    }
    EXPECT_EQ(mobileBody, "token=TOKEN&pid=1001&size=2&prov=&corp=%E7%A7%BB%E5%8A%A8&style=1");
    EXPECT_TRUE(askedUserInfo);
    EXPECT_EQ(statusBar.PaneText(0), u"用户名：demo");

    // A count that is not a number reaches the number job as 0, which it refuses.
    fx.controls.countBox.SetWindowText(u"3x");
    Dispatch(kCmdGetNumbers);
    ASSERT_TRUE(fx.WaitIdle());
    EXPECT_TRUE(fx.tips.HasMessage("正在获取手机号码...获取失败！请输入正确的号码数量。"));
}

TEST_F(DispatcherTest, GetSmsButtonHasThreeStates)
{
    ScriptedServer server(&FakeService);
    UseService(server);
    fx.Configure([](SettingsValues& c) {
        c.autoGetSms = 1;
        c.spaceTime = 100;
    });
    fx.ChooseProject(u"1001");
    Dispatch(kCmdGetNumbers);
    // The number job starts the automatic fetch when it ends; the SMS never comes.
    ASSERT_TRUE(WaitUntil([&] { return !fx.Numbers().IsBusy() && fx.Sms().IsBusy(); }));

    Dispatch(kCmdToggleSmsFetch); // fetching: stop it
    ASSERT_TRUE(WaitUntil([&] { return !fx.Sms().IsBusy(); }));

    fx.Numbers().busyEvent.Set(); // as while a number job runs
    Dispatch(kCmdToggleSmsFetch);
    Dispatch(kCmdAutoGetSmsChecked);
    EXPECT_FALSE(fx.Sms().IsBusy()) << "no fetch starts during a number job";
    fx.Numbers().busyEvent.Reset();

    Dispatch(kCmdToggleSmsFetch); // idle: start it
    EXPECT_TRUE(fx.Sms().IsBusy());
    Dispatch(kCmdToggleSmsFetch);
    ASSERT_TRUE(WaitUntil([&] { return !fx.Sms().IsBusy(); }));
    Dispatch(kCmdAutoGetSmsChecked);
    EXPECT_TRUE(fx.Sms().IsBusy());
    fx.Sms().StopFetch();
}

TEST_F(DispatcherTest, CancelledShutdownChangesNothingAndAsksAgainNextTime)
{
    ScriptedServer server(&FakeService);
    UseService(server);
    Dispatch(kCmdAddTrayIcon);
    Dispatch(kCmdRefreshUserInfo);
    EXPECT_FALSE(Dispatch(kCmdShutdown));
    EXPECT_FALSE(Dispatch(kCmdShutdown));
    auto shown = messageBox.Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text, u"确定要关闭软件吗？");
    EXPECT_EQ(shown[0].caption, u"关闭软件");
    EXPECT_EQ(shown[0].flags, kMbOkCancel | kMbIconQuestion | kMbDefButton2);
    EXPECT_TRUE(shown[0].owned);
    EXPECT_TRUE(tray.IsShown());
    EXPECT_FALSE(mainWindow.ClosePosted());
    EXPECT_FALSE(userInfo.stopEvent.IsSet());
    EXPECT_EQ(tipsView.TextLength(), 0u);
    EXPECT_FALSE(std::filesystem::exists(logDir + "/TipsLog"));
}

std::vector<std::string> Strings(const cJSON* array, const char* member = nullptr)
{
    std::vector<std::string> out;
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, array)
    {
        const cJSON* value = member != nullptr ? cJSON_GetObjectItemCaseSensitive(item, member) : item;
        if (cJSON_IsString(value))
            out.push_back(value->valuestring);
    }
    return out;
}

bool Contains(const std::vector<std::string>& list, const std::string& value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

TEST_F(DispatcherTest, ConfirmedShutdownSettlesTheNumbersSavesTheTipsAndStops)
{
    ASSERT_TRUE(fx.StartSandbox());
    ASSERT_TRUE(fx.SignIn());
    fx.Configure([](SettingsValues& c) { c.servicesHost = c.apiHost; });
    // Start-up as the main window queues it, then a project and three numbers.
    for (int32_t code : kStartupCommands)
        Dispatch(code);
    ASSERT_TRUE(WaitUntil([&] { return !fx.Projects().IsBusy() && fx.controls.projectCombo.GetCount() > 1; }));
    fx.controls.projectCombo.SetCurSel(1);
    Dispatch(kCmdShowProjectInfo, 0);
    ASSERT_FALSE(fx.Projects().GetSelectedProjectId().empty());
    std::string pid = WideToUtf8(fx.Projects().GetSelectedProjectId());
    fx.controls.countBox.SetWindowText(u"3");
    Dispatch(kCmdGetNumbers);
    ASSERT_TRUE(fx.WaitIdle());
    std::vector<NumberRecord> batch = fx.Numbers().Batch().Records();
    ASSERT_EQ(batch.size(), 3u) << ::testing::PrintToString(fx.tips.Messages());
    fx.Numbers().Batch().MarkForBlacklist(batch[2][kFieldMobile]);
    ASSERT_TRUE(updates.IsBusy()) << "the version check runs until shutdown";

    messageBox.QueueAnswer(kIdOk);
    ASSERT_TRUE(fx.session.Shutdown(60s));
    EXPECT_FALSE(fx.session.IsRunning());
    uint64_t late = fx.session.Push(kCmdToggleWindowTop);
    EXPECT_TRUE(fx.session.WaitForCommand(late, 10s)) << "a wait after the stop flag ends at once";

    // The steps, in order, as the controls saw them.
    int asked = journal.IndexOf("messagebox:关闭软件");
    int trayRemoved = journal.IndexOf("tray.remove");
    int closed = journal.IndexOf("window.close");
    EXPECT_GE(asked, 0);
    EXPECT_GT(trayRemoved, asked);
    EXPECT_GT(closed, trayRemoved);
    EXPECT_EQ(journal.IndexOf("window.topmost"), -1) << "nothing is dispatched after the stop flag";
    EXPECT_FALSE(fx.Projects().IsBusy() || userInfo.IsBusy() || updates.IsBusy() || fx.Numbers().IsBusy());

    // The tip log holds the run's tips up to the closing line; the box only the saved-to line.
    std::u16string log;
    ASSERT_FALSE(tipsBox.LastLogFile().empty());
    MultiByteToWide(kCpGbk, ReadFile(tipsBox.LastLogFile()), log);
    std::string logText = WideToUtf8(log);
    size_t closing = logText.find("正在关闭软件...\r\n");
    size_t done = logText.find("正在关闭软件...关闭完成。");
    EXPECT_NE(closing, std::string::npos) << logText;
    EXPECT_NE(done, std::string::npos);
    EXPECT_LT(closing, done);
    EXPECT_EQ(logText.size(), done + std::string("正在关闭软件...关闭完成。").size());
    std::string box = WideToUtf8(tipsView.GetText());
    EXPECT_NE(box.find("以上提示信息，已经保存到了 " + tipsBox.LastLogFile() + " 文件中。"), std::string::npos) << box;
    EXPECT_EQ(box.find("\n"), std::string::npos);
#ifdef _WIN32
    EXPECT_TRUE(fx.settingsDir.SettingsKeyExists());
#else
    EXPECT_TRUE(std::filesystem::exists(fx.settingsDir.SettingsFile()));
#endif

    // The service took back the two unused numbers and blacklisted the marked one.
    JsonPtr dump = ParseJson(fx.SandboxDump());
    ASSERT_NE(dump, nullptr);
    const cJSON* account = nullptr;
    const cJSON* item = nullptr;
    cJSON_ArrayForEach(item, cJSON_GetObjectItemCaseSensitive(dump.get(), "accounts"))
    {
        const cJSON* user = cJSON_GetObjectItemCaseSensitive(item, "user");
        if (cJSON_IsString(user) && std::string(user->valuestring) == "demo")
            account = item;
    }
    ASSERT_NE(account, nullptr);
    std::vector<std::string> released = Strings(cJSON_GetObjectItemCaseSensitive(account, "released"));
    std::vector<std::string> held = Strings(cJSON_GetObjectItemCaseSensitive(account, "held"), "mobile");
    std::vector<std::string> blacklisted = Strings(cJSON_GetObjectItemCaseSensitive(account, "blacklist"), "mobile");
    for (int i = 0; i < 2; ++i) {
        std::string mobile = WideToUtf8(batch[i][kFieldMobile]);
        EXPECT_TRUE(Contains(released, mobile)) << mobile;
        EXPECT_FALSE(Contains(held, mobile)) << mobile;
        EXPECT_FALSE(Contains(blacklisted, mobile)) << mobile;
    }
    EXPECT_TRUE(Contains(blacklisted, WideToUtf8(batch[2][kFieldMobile])));
}

TEST_F(DispatcherTest, ShutdownEndsWhenTheServerIsUnreachable)
{
    test::RefusingPort refusing;
    std::string dead = refusing.Host();
    fx.Configure([&](SettingsValues& c) {
        c.apiHost = dead;
        c.servicesHost = dead;
    });
    fx.Config().SetToken("TOKEN");
    fx.Numbers().Batch().Install(
        {{u"13800000001", u"广东", u"广州", u"移动", u"1001"}, {u"13800000002", u"广东", u"深圳", u"移动", u"1001"}});
    fx.Numbers().Batch().MarkForBlacklist(u"13800000002");
    Dispatch(kCmdAddTrayIcon);
    Dispatch(kCmdFetchProjects);
    Dispatch(kCmdRefreshUserInfo);
    Dispatch(kCmdVersionCheck);
    ASSERT_TRUE(WaitUntil([&] { return fx.tips.Count() >= 3; }));

    messageBox.QueueAnswer(kIdOk);
    ASSERT_TRUE(fx.session.Shutdown(60s));
    EXPECT_TRUE(mainWindow.ClosePosted());
    EXPECT_FALSE(tray.IsShown());
    EXPECT_TRUE(fx.tips.HasMessage("正在释放手机号码...网络连接失败，释放失败！"));
    EXPECT_TRUE(fx.tips.HasMessage("正在加黑手机号码...网络连接失败，加黑失败！"));
    EXPECT_FALSE(tipsBox.LastLogFile().empty());
}

} // namespace
} // namespace kh
