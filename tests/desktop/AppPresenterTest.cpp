// The windowed client's start and end over the in-memory views: the login dialog ended without a
// sign-in ends the client before the main window shows (no worker starts); a sign-in against the
// sandbox starts the session, shows the window and passes on the settings tips held until then;
// and each way the window ends (the confirmed close, a stop request from another thread, the end
// of the desktop session) settles the session and leaves the tip log.

#include "desktop/AppPresenter.h"

#include "HeadlessWindows.h"
#include "app/Dispatcher.h"
#include "app/TipsBox.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"

#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kh::desktop {
namespace {

using namespace std::chrono_literals;

// What the next start loads from the store.
SettingsValues Saved()
{
    ConfigCenter saved(nullptr, nullptr, nullptr);
    saved.ResetToDefaults();
    saved.Load();
    return saved.Snapshot();
}

// Runs call on a thread of its own, as a stop request's watcher does.
void FromAnotherThread(const std::function<void()>& call)
{
    std::thread(call).join();
}

// The controls a toolkit has before it makes its main window.
SessionControls EarlyControls(test::HeadlessWindows& windows)
{
    SessionControls early;
    early.executor = &windows.loop;
    early.shell = windows.Controls().shell;
    return early;
}

TEST(AppPresenterTest, TheLoginDialogEndedWithoutASignInEndsTheClient)
{
    for (bool stopRequest : {false, true})
        for (bool withWindow : {true, false}) {
            SCOPED_TRACE(stopRequest ? "stop request" : "close box");
            SCOPED_TRACE(withWindow ? "window made first" : "no window made");
            test::TempSettingsDir settingsDir;
            test::HeadlessWindows windows;
            std::unique_ptr<AppPresenter> made =
                withWindow ? std::make_unique<AppPresenter>(windows.mainView, windows.loginView, windows.settingsView,
                                                            windows.Controls())
                           : std::make_unique<AppPresenter>(windows.loginView, EarlyControls(windows));
            AppPresenter& app = *made;
            windows.loop.Post([&] {
                windows.loginView.fields = {u"alice", u"secret", false, true};
                if (stopRequest)
                    FromAnotherThread([&] { app.RequestTerminate(); });
                else
                    windows.loginView.Presenter()->OnCloseRequested();
            });
            EXPECT_EQ(app.Run(), 0);
            EXPECT_EQ(windows.loginView.result, false);
            EXPECT_FALSE(app.Started());
            EXPECT_FALSE(windows.mainView.shown);
            EXPECT_FALSE(app.Session().IsRunning());
            EXPECT_TRUE(windows.controls.messageBox.Shown().empty());
            // Closing the dialog saved what it held.
            SettingsValues saved = Saved();
            EXPECT_EQ(saved.userName, u"alice");
            EXPECT_EQ(saved.password, u"secret");
        }
}

// A window attached after the settings have loaded shows them, as one made first does; the session
// cannot start before a window is attached.
TEST(AppPresenterTest, AWindowAttachedLaterShowsTheLoadedSettings)
{
    test::TempSettingsDir settingsDir;
    {
        ConfigCenter stored(nullptr, nullptr, nullptr);
        stored.SetAutoRunEntryManaged(false);
        stored.ResetToDefaults();
        stored.Update([](SettingsValues& values) {
            values.autoGetSms = 1;
            values.listAutoSort = 0;
            values.webSite = "site.example";
        });
        stored.Save();
    }
    test::HeadlessWindows windows;
    AppPresenter app(windows.loginView, EarlyControls(windows));
    app.LoadSettings();
    EXPECT_FALSE(app.HasWindow());
    EXPECT_FALSE(app.Start());
    app.AttachWindow(windows.mainView, windows.settingsView, windows.Controls());
    ASSERT_TRUE(app.HasWindow());
    EXPECT_TRUE(windows.controls.autoGetSmsBox.IsChecked());
    EXPECT_FALSE(windows.controls.listAutoSortBox.IsChecked());
    EXPECT_NE(windows.mainView.caption.find(u"site.example"), std::u16string::npos);
    // The window's controls reached the session; the executor stayed the one given first.
    EXPECT_EQ(app.Session().Controls().statusBar, windows.Controls().statusBar);
    EXPECT_EQ(app.Session().Controls().settingsCentre, &windows.settingsView);
    EXPECT_EQ(app.Session().Controls().executor, &windows.loop);
    app.End();
}

class AppPresenterSessionTest : public ::testing::Test
{
protected:
    SessionOptions Options()
    {
        SessionOptions options;
        options.tipObserver = [this](const char* marker, const std::string& message, const std::string& error) {
            if (std::string(marker) != "ConfigCenter.")
                return;
            std::lock_guard<std::mutex> guard(mutex);
            settingsTips.push_back(TipDisplayText(message, error));
        };
        return options;
    }

    // Loads the settings, points them at the sandbox and signs in through the login dialog.
    void SignInAndStart(test::HeadlessWindows& windows, AppPresenter& app)
    {
        app.LoadSettings();
        ConfigCenter& config = app.Session().Config();
        config.Update([&](SettingsValues& values) {
            values.apiHost = values.servicesHost = values.webSite = sandbox.Host();
            values.userName = u"demo";
            values.password = u"demo";
            values.autoRun = 0;
        });
        config.SetExecutableLocation(AnsiToWide(settingsDir.Path()), config.ExecutablePath());
        windows.loop.Post([&] { windows.loginView.Presenter()->OnSignIn(); });
        ASSERT_TRUE(app.SignIn());
        ASSERT_TRUE(app.Start());
        EXPECT_TRUE(windows.mainView.shown);
        EXPECT_TRUE(app.Session().IsRunning());
        // The start-up commands ran: the account figures are in the status bar.
        EXPECT_TRUE(
            windows.loop.RunUntil([&] { return windows.controls.statusBar.PaneText(0) == u"用户名：demo"; }, 20s));
    }

    std::vector<std::u16string> SettingsTips()
    {
        std::lock_guard<std::mutex> guard(mutex);
        return settingsTips;
    }

    test::TempSettingsDir settingsDir;
    test::SandboxProcess sandbox;
    std::mutex mutex;
    std::vector<std::u16string> settingsTips;
};

// The settings record's tips come before the tips box can show anything: they are held and shown
// once the session has started.
TEST_F(AppPresenterSessionTest, SignInStartsTheSessionAndShowsTheHeldSettingsTips)
{
    KH_REQUIRE_SANDBOX(sandbox);
#ifdef _WIN32
    settingsDir.WriteBinarySettingsValue("GetSMSConfig_SpaceTime");
#else
    settingsDir.WriteSettingsFile("[1, 2, 3]");
#endif
    test::HeadlessWindows windows;
    AppPresenter app(windows.mainView, windows.loginView, windows.settingsView, windows.Controls(), Options());
    ASSERT_NO_FATAL_FAILURE(SignInAndStart(windows, app));
    std::vector<std::u16string> held = SettingsTips();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_TRUE(windows.loop.RunUntil(
        [&] { return windows.controls.tipsView.GetText().find(held[0]) != std::u16string::npos; }, 10s));
    app.End();
}

// Each way the window ends runs the shutdown, which saves the settings and writes the tip log; only
// the user's own close asks first.
TEST_F(AppPresenterSessionTest, EachWayOfClosingSettlesTheSession)
{
    KH_REQUIRE_SANDBOX(sandbox);
    enum class Way
    {
        CloseBox,
        StopRequest,
        DesktopSessionEnd,
    };
    for (Way way : {Way::CloseBox, Way::StopRequest, Way::DesktopSessionEnd}) {
        SCOPED_TRACE(static_cast<int>(way));
        test::HeadlessWindows windows;
        AppPresenter app(windows.mainView, windows.loginView, windows.settingsView, windows.Controls());
        ASSERT_NO_FATAL_FAILURE(SignInAndStart(windows, app));
        switch (way) {
        case Way::CloseBox:
            // Cancel keeps the window; the second close is confirmed.
            windows.controls.messageBox.QueueAnswer(kIdCancel);
            windows.controls.messageBox.QueueAnswer(kIdOk);
            windows.loop.Post([&] { EXPECT_FALSE(app.Main().OnCloseRequested()); });
            windows.loop.Post([&] { app.Main().OnEscape(); });
            break;
        case Way::StopRequest:
            FromAnotherThread([&] { app.RequestTerminate(); });
            break;
        case Way::DesktopSessionEnd:
            windows.loop.Post([&] {
                app.EndOfDesktopSession();
                // The desktop goes on only once the window has closed.
                EXPECT_TRUE(app.Main().IsClosed());
            });
            break;
        }
        app.WaitForClose();
        EXPECT_TRUE(app.Main().IsClosed());
        EXPECT_TRUE(windows.mainView.closed);
        app.End();
        // The shutdown was carried out to its end: the command worker ends after it.
        EXPECT_TRUE(app.Session().WaitUntilEnded(10s));
        EXPECT_TRUE(windows.mainView.portCallsEnded);
        EXPECT_FALSE(app.Session().Tips().LastLogFile().empty());
        std::vector<ShownMessageBox> asked = windows.controls.messageBox.Shown();
        EXPECT_EQ(asked.size(), way == Way::CloseBox ? 2u : 0u);
        for (const ShownMessageBox& box : asked)
            EXPECT_EQ(box.text, kShutdownQuestion);
    }
}

} // namespace
} // namespace kh::desktop
