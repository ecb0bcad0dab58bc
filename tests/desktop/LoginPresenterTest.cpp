// The login dialog's presenter over the in-memory view and a session: the fields it shows and
// stores, the refusal's tip and the next attempt hiding it, the refused close while a sign-in
// runs, the close while idle that saves the settings, the success that ends the dialog only once
// the sign-in worker has ended, a stop request, and the web pages.

#include "desktop/LoginPresenter.h"

#include "app/ClientSession.h"
#include "headless/HeadlessEventLoop.h"
#include "headless/HeadlessLoginView.h"
#include "headless/HeadlessShell.h"
#include "settings/ConfigCenter.h"
#include "support/TempSettingsDir.h"

#include <gtest/gtest.h>
#include <mutex>

namespace kh::desktop {
namespace {

using namespace std::chrono_literals;

class LoginPresenterTest : public ::testing::Test
{
protected:
    LoginPresenterTest()
    {
        presenter.Attach(session);
        session.LoadSettings();
        session.Config().Update([&](SettingsValues& values) { values.webSite = "site.test:8080"; });
    }
    ~LoginPresenterTest() override
    {
        session.Login().busyEvent.Reset();
        session.StopAndWait();
    }

    SessionControls Controls()
    {
        SessionControls controls;
        controls.loginDialog = &presenter;
        controls.loginTip = &LoginPresenter::ShowLoginTip;
        controls.loginTipContext = &presenter;
        controls.shell = &shell;
        controls.executor = &loop;
        return controls;
    }

    void Remember(const LoginFields& fields)
    {
        ConfigCenter& config = session.Config();
        config.Update([&](SettingsValues& values) {
            values.userName = fields.user;
            values.password = fields.password;
            values.autoRun = fields.autoRun ? 1 : 0;
            values.savePassword = fields.savePassword ? 1 : 0;
        });
    }

    LoginFields Stored()
    {
        SettingsValues stored = session.Config().Snapshot();
        return {stored.userName, stored.password, stored.autoRun != 0, stored.savePassword != 0};
    }

    // What the next start loads from the store.
    static LoginFields Saved()
    {
        ConfigCenter config(nullptr, nullptr, nullptr);
        config.ResetToDefaults();
        config.Load();
        SettingsValues saved = config.Snapshot();
        return {saved.userName, saved.password, saved.autoRun != 0, saved.savePassword != 0};
    }

    // A sign-in worker runs (its busy state is all the dialog looks at).
    void SigningIn(bool busy)
    {
        if (busy)
            session.Login().busyEvent.Set();
        else
            session.Login().busyEvent.Reset();
    }

    test::TempSettingsDir settingsDir;
    HeadlessEventLoop loop;
    HeadlessLoginView view{loop};
    HeadlessShell shell;
    LoginPresenter presenter{view, &loop};
    ClientSession session{Controls()};
};

bool operator==(const LoginFields& a, const LoginFields& b)
{
    return a.user == b.user && a.password == b.password && a.autoRun == b.autoRun && a.savePassword == b.savePassword;
}

TEST_F(LoginPresenterTest, FirstShowLoadsTheRememberedFields)
{
    Remember({u"张三", u"p&w=d", false, true});
    view.Show();
    EXPECT_TRUE(view.fields == (LoginFields{u"张三", u"p&w=d", false, true}));
    EXPECT_FALSE(view.tipShown);
    EXPECT_EQ(view.caption, HeadlessLoginView::kIdleCaption);

    // Shown again (after a minimise, say): what was typed stays.
    view.fields.user = u"李四";
    view.Show();
    EXPECT_EQ(view.fields.user, u"李四");
}

// The button stores only the user name and password; the attempt's tip shows in the strip and the
// next attempt hides it until its own tip arrives.
TEST_F(LoginPresenterTest, SignInStoresTheCredentialsAndShowsTheAttemptsTip)
{
    Remember({u"old", u"old", true, false});
    view.Show();
    view.fields = {u"demo", u"", false, true};
    presenter.OnSignIn();
    EXPECT_TRUE(Stored() == (LoginFields{u"demo", u"", true, false}));
    ASSERT_TRUE(loop.RunUntil([&] { return view.tipShown && !session.IsSigningIn() && loop.Queued() == 0; }, 10s));
    EXPECT_EQ(view.tipText, u"登录失败。请输入用户名和密码！");
    EXPECT_EQ(view.caption, HeadlessLoginView::kIdleCaption);

    SigningIn(true);
    presenter.OnSignIn();
    EXPECT_FALSE(view.tipShown);
    presenter.OnEscape();
    EXPECT_FALSE(view.result.has_value());
}

// Closing while a sign-in runs is refused with a tip and saves nothing; closing while idle stores
// all four fields, saves the settings and ends the dialog. A stop request closes it as the close
// box does, and at once while a sign-in runs.
TEST_F(LoginPresenterTest, CloseIsRefusedWhileSigningInAndSavesWhenIdle)
{
    struct Case
    {
        bool stopRequest;
        bool signingIn;
        bool ends;
        bool saves;
    };
    const Case cases[] = {
        {false, true, false, false},
        {false, false, true, true},
        {true, false, true, true},
        {true, true, true, false},
    };
    std::u16string user = u"user0";
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "stop request " << c.stopRequest << ", signing in " << c.signingIn);
        ++user.back();
        view.Show();
        view.fields = {user, u"secret", false, true};
        SigningIn(c.signingIn);
        if (c.stopRequest)
            presenter.Terminate();
        else
            presenter.OnCloseRequested();
        EXPECT_EQ(view.result.has_value(), c.ends);
        EXPECT_EQ(view.result.value_or(true), !c.ends);
        EXPECT_EQ(presenter.IsOpen(), !c.ends);
        if (c.signingIn) {
            EXPECT_TRUE(view.tipShown);
            EXPECT_EQ(view.tipText, LoginPresenter::kBusyCloseTip);
        }
        EXPECT_EQ(Saved().user == user, c.saves);
        if (c.saves) {
            EXPECT_TRUE(Saved() == (LoginFields{user, u"secret", false, true}));
        }
        SigningIn(false);
    }
}

// The success notice comes from the sign-in worker just before it ends: the dialog ends accepted,
// with the four fields stored, only once the worker has ended, and nothing intervenes meanwhile.
TEST_F(LoginPresenterTest, SuccessEndsTheDialogOnceTheWorkerHasEnded)
{
    view.Show();
    view.fields = {u"demo", u"demo", true, true};
    SigningIn(true);
    presenter.PostSuccessNotice();
    EXPECT_FALSE(view.result.has_value()); // posted, not run on the worker's thread
    // The timer checks the worker again and again while it runs.
    ASSERT_TRUE(loop.RunUntil([&] { return view.timerTicks >= 2; }, 10s));
    EXPECT_FALSE(view.result.has_value());
    presenter.OnCloseRequested();
    presenter.OnSignIn();
    EXPECT_FALSE(view.result.has_value());
    EXPECT_FALSE(view.tipShown);

    SigningIn(false);
    ASSERT_TRUE(loop.RunUntil([&] { return view.result.has_value(); }, 10s));
    EXPECT_TRUE(*view.result);
    EXPECT_TRUE(Stored() == (LoginFields{u"demo", u"demo", true, true}));
}

TEST_F(LoginPresenterTest, BannerAndRegisterOpenTheSitesPages)
{
    presenter.OnBannerClicked();
    presenter.OnRegisterClicked();
    EXPECT_EQ(shell.Opened(),
              (std::vector<std::u16string>{u"http://site.test:8080/", u"http://site.test:8080/user_reg.html"}));
}

} // namespace
} // namespace kh::desktop
