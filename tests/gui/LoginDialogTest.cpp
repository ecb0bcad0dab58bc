// The login dialog and its presenter over a real session signing in against the sandbox: the settings it shows and
// stores, the tips strip, the success that ends it, and closing while signing in and while idle.

#include "ui/qt/LoginDialog.h"

#include "app/ClientSession.h"
#include "desktop/LoginPresenter.h"
#include "headless/HeadlessShell.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"
#include "ui/qt/GuiExecutor.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <mutex>

using kh::ui::LoginDialog;

namespace {

const QString kIdleCaption = QStringLiteral("登    录");
const QString kBusyCaption = QStringLiteral("正在登录");

// The client's wiring of the dialog: the presenter is built first, and the session takes it as its
// login dialog port and as the target of the sign-in tips, which reach the dialog through the GUI
// thread's executor.
struct LoginHarness
{
    static kh::SessionControls Controls(LoginHarness* harness)
    {
        kh::SessionControls controls;
        controls.loginDialog = &harness->presenter;
        controls.loginTip = &kh::desktop::LoginPresenter::ShowLoginTip;
        controls.loginTipContext = &harness->presenter;
        controls.shell = &harness->shell;
        controls.executor = &harness->executor;
        return controls;
    }

    LoginHarness() : presenter(dialog, &executor), session(Controls(this)) { presenter.Attach(session); }

    kh::HeadlessShell shell;
    kh::ui::GuiExecutor executor;
    LoginDialog dialog;
    kh::desktop::LoginPresenter presenter;
    kh::ClientSession session;
};

} // namespace

class LoginDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void ShowsTheStoredSettings();
    void EmptyFieldsAreRefusedWithoutARequest_data();
    void EmptyFieldsAreRefusedWithoutARequest();
    void RefusalExpandsAndTheNextAttemptCollapses();
    void SuccessStoresTheControlsAndAccepts();
    void CloseWhileSigningInIsRefused();
    void CloseWhileIdleSavesTheSettings();
    void BannerAndRegisterOpenTheSite();

private:
    template <typename T> T* Child(const char* name) { return h->dialog.findChild<T*>(QLatin1String(name)); }
    QString TipText() { return Child<QLabel>("tipsLine")->text(); }
    bool Expanded() { return Child<QWidget>("tipsRow")->isVisible(); }
    void Type(const QString& user, const QString& password)
    {
        Child<QLineEdit>("userEdit")->setText(user);
        Child<QLineEdit>("passwordEdit")->setText(password);
    }
    void ClickSignIn() { Child<QPushButton>("signInButton")->click(); }
    QString Caption() { return Child<QPushButton>("signInButton")->text(); }
    // Waits until the attempt has ended and its posted caption and tip have been shown.
    bool WaitForAttempt()
    {
        return QTest::qWaitFor([this] { return !h->session.IsSigningIn(); }, 20000) &&
               QTest::qWaitFor([this] { return Caption() == kIdleCaption && Expanded(); }, 5000);
    }
    int64_t LoginRequests() { return sandbox->RequestCount("/login"); }

    std::unique_ptr<kh::test::SandboxProcess> sandbox;
    std::unique_ptr<kh::test::TempSettingsDir> settingsDir;
    std::unique_ptr<LoginHarness> h;
};

void LoginDialogTest::initTestCase()
{
    sandbox = std::make_unique<kh::test::SandboxProcess>();
    QVERIFY2(sandbox->Started(), sandbox->Error().c_str());
}

void LoginDialogTest::init()
{
    settingsDir = std::make_unique<kh::test::TempSettingsDir>();
    h = std::make_unique<LoginHarness>();
    h->session.LoadSettings();
    kh::ConfigCenter& config = h->session.Config();
    config.Update([&](kh::SettingsValues& values) {
        values.apiHost = sandbox->Host();
        values.webSite = sandbox->Host();
    });
}

void LoginDialogTest::cleanup()
{
    h.reset();
    settingsDir.reset();
    sandbox->ClearFaults();
}

void LoginDialogTest::ShowsTheStoredSettings()
{
    {
        kh::ConfigCenter& config = h->session.Config();
        config.Update([&](kh::SettingsValues& values) {
            values.userName = u"张三";
            values.password = u"p&w=d";
            values.autoRun = 0;
            values.savePassword = 1;
        });
    }
    h->dialog.show();
    QCOMPARE(h->dialog.windowTitle(), QStringLiteral("登录"));
    QCOMPARE(Child<QLineEdit>("userEdit")->text(), QStringLiteral("张三"));
    QCOMPARE(Child<QLineEdit>("passwordEdit")->text(), QStringLiteral("p&w=d"));
    QCOMPARE(Child<QLineEdit>("passwordEdit")->echoMode(), QLineEdit::Password);
    QVERIFY(!Child<QCheckBox>("autoRunBox")->isChecked());
    QVERIFY(Child<QCheckBox>("savePasswordBox")->isChecked());
    QCOMPARE(Caption(), kIdleCaption);
    // Collapsed: no tips strip until there is a tip.
    QVERIFY(!Expanded());
    // Escape does not close the dialog.
    QTest::keyClick(&h->dialog, Qt::Key_Escape);
    QVERIFY(h->dialog.isVisible());
}

void LoginDialogTest::EmptyFieldsAreRefusedWithoutARequest_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::newRow("no password") << "demo"
                                 << "";
    QTest::newRow("no user") << ""
                             << "demo";
    QTest::newRow("neither") << ""
                             << "";
}

void LoginDialogTest::EmptyFieldsAreRefusedWithoutARequest()
{
    QFETCH(QString, user);
    QFETCH(QString, password);
    h->dialog.show();
    int collapsedHeight = h->dialog.height();
    int64_t before = LoginRequests();
    Type(user, password);
    ClickSignIn();
    QVERIFY(WaitForAttempt());
    QCOMPARE(TipText(), QStringLiteral("登录失败。请输入用户名和密码！"));
    QVERIFY(QTest::qWaitFor([&] { return h->dialog.height() > collapsedHeight; }, 5000));
    QVERIFY(h->dialog.isVisible());
    QCOMPARE(LoginRequests(), before);
}

void LoginDialogTest::RefusalExpandsAndTheNextAttemptCollapses()
{
    h->dialog.show();
    int collapsedHeight = h->dialog.height();
    Type(QStringLiteral("demo"), QStringLiteral("wrong"));
    ClickSignIn();
    QVERIFY(WaitForAttempt());
    // The server's code and message follow the refusal directly.
    QCOMPARE(TipText(), QStringLiteral("登录失败！101用户名或密码错误"));
    QVERIFY(QTest::qWaitFor([&] { return h->dialog.height() > collapsedHeight; }, 5000));
    QVERIFY(h->dialog.isVisible());
    QVERIFY(h->session.Config().GetToken().empty());

    // The next attempt hides the old tip until its own arrives (the server answers late, so the
    // collapsed dialog can be seen in between).
    kh::test::SandboxFault slow;
    slow.path = "/login";
    slow.kind = "latency";
    slow.latencyMs = 1500;
    QVERIFY(sandbox->InjectFault(slow));
    ClickSignIn();
    QVERIFY(!Expanded());
    QVERIFY(QTest::qWaitFor([&] { return h->dialog.height() == collapsedHeight; }, 1000));
    QVERIFY(h->session.IsSigningIn());
    QVERIFY(WaitForAttempt());
    QCOMPARE(TipText(), QStringLiteral("登录失败！101用户名或密码错误"));

    // An unreachable server gives the network tip with the client's error number.
    {
        kh::ConfigCenter& config = h->session.Config();
        config.Update([&](kh::SettingsValues& values) { values.apiHost = "127.0.0.1:1"; });
    }
    ClickSignIn();
    QVERIFY(WaitForAttempt());
    QVERIFY2(TipText().startsWith(QStringLiteral("网络连接失败，登录失败！错误串：LoginCtrl.8.")),
             qPrintable(TipText()));
    QVERIFY(TipText().endsWith(QStringLiteral(".。")));
}

void LoginDialogTest::SuccessStoresTheControlsAndAccepts()
{
    QTimer::singleShot(0, this, [this] {
        Type(QStringLiteral("demo"), QStringLiteral("demo"));
        Child<QCheckBox>("autoRunBox")->setChecked(false);
        Child<QCheckBox>("savePasswordBox")->setChecked(true);
        // Enter signs in.
        QTest::keyClick(Child<QLineEdit>("passwordEdit"), Qt::Key_Return);
    });
    // A sign-in that never ends would otherwise keep exec() open until the test's time-out.
    QTimer::singleShot(30000, &h->dialog, [this] { h->dialog.done(-1); });
    int result = h->dialog.exec();
    QCOMPARE(result, int(QDialog::Accepted));
    // The dialog closed only after the sign-in worker had ended.
    QVERIFY(!h->session.IsSigningIn());
    QVERIFY(!h->session.Config().GetToken().empty());
    QCOMPARE(Caption(), kBusyCaption);

    kh::ConfigCenter& config = h->session.Config();
    QCOMPARE(config.Snapshot().userName, std::u16string(u"demo"));
    QCOMPARE(config.Snapshot().password, std::u16string(u"demo"));
    QCOMPARE(config.Snapshot().autoRun, 0u);
    QCOMPARE(config.Snapshot().savePassword, 1u);
}

void LoginDialogTest::CloseWhileSigningInIsRefused()
{
    kh::test::SandboxFault slow;
    slow.path = "/login";
    slow.kind = "latency";
    slow.latencyMs = 1500;
    QVERIFY(sandbox->InjectFault(slow));
    h->dialog.show();
    int64_t before = LoginRequests();
    Type(QStringLiteral("demo"), QStringLiteral("demo"));
    ClickSignIn();
    ClickSignIn();
    QVERIFY(h->session.IsSigningIn());
    QVERIFY(QTest::qWaitFor([this] { return Caption() == kBusyCaption; }, 5000));

    h->dialog.close();
    QVERIFY(h->dialog.isVisible());
    QVERIFY(Expanded());
    QCOMPARE(TipText(), QStringLiteral("正在登录，请稍候再关闭！"));
    // Nothing was saved by the refused close.
    QVERIFY(kh::test::TempSettingsDir::ReadFile(settingsDir->SettingsFile()).find("demo") == std::string::npos);

    // The attempt goes on and ends the dialog; the second press started no second attempt.
    QVERIFY(QTest::qWaitFor([this] { return !h->dialog.isVisible(); }, 20000));
    QCOMPARE(h->dialog.result(), int(QDialog::Accepted));
    QCOMPARE(LoginRequests() - before, int64_t(1));
}

void LoginDialogTest::CloseWhileIdleSavesTheSettings()
{
    h->dialog.show();
    Type(QStringLiteral("alice"), QStringLiteral("secret"));
    Child<QCheckBox>("autoRunBox")->setChecked(false);
    Child<QCheckBox>("savePasswordBox")->setChecked(true);
    h->dialog.close();
    QVERIFY(!h->dialog.isVisible());
    QCOMPARE(h->dialog.result(), int(QDialog::Rejected));

    // What the next start will load.
    kh::ConfigCenter next(nullptr, nullptr, nullptr);
    next.ResetToDefaults();
    next.Load();
    kh::SettingsValues stored = next.Snapshot();
    QCOMPARE(stored.userName, std::u16string(u"alice"));
    QCOMPARE(stored.password, std::u16string(u"secret"));
    QCOMPARE(stored.autoRun, 0u);
    QCOMPARE(stored.savePassword, 1u);
}

void LoginDialogTest::BannerAndRegisterOpenTheSite()
{
    h->dialog.show();
    QTest::mouseClick(Child<QWidget>("banner"), Qt::LeftButton);
    Child<QPushButton>("registerButton")->click();
    std::string site = "http://" + sandbox->Host();
    std::vector<std::u16string> expected = {
        QString::fromStdString(site + "/").toStdU16String(),
        QString::fromStdString(site + "/user_reg.html").toStdU16String(),
    };
    QVERIFY(h->shell.Opened() == expected);
    QVERIFY(h->dialog.isVisible());
}

QTEST_MAIN(LoginDialogTest)
#include "LoginDialogTest.moc"
