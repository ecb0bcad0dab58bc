// The windowed client as borvankh runs it (QtClient): the login dialog comes first and the main
// window is built only while the dialog shows, after its first paint; closing the dialog or a stop
// request there ends the client without showing the window; a sign-in starts the session in the
// window built meanwhile, which shows the stored settings and the settings tips held since loading.

#include "ui/qt/QtClient.h"

#include "desktop/AppPresenter.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"
#include "support/SandboxProcess.h"
#include "support/TempSettingsDir.h"
#include "ui/qt/GuiCheckBox.h"
#include "ui/qt/GuiThread.h"
#include "ui/qt/GuiTipsView.h"
#include "ui/qt/LoginDialog.h"
#include "ui/qt/MainWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <thread>

using kh::ui::QtClient;

namespace {

// Runs step on the GUI thread once the login dialog is on the screen, inside the client's run.
void WhenLoginShows(QtClient& client, std::function<void()> step)
{
    QTimer::singleShot(0, [&client, step = std::move(step)] {
        if (QTest::qWaitFor([&] { return client.Login().isVisible(); }, 10000))
            step();
    });
}

} // namespace

class QtClientTest : public QObject
{
    Q_OBJECT

private slots:
    // As borvankh: only the shutdown ends the client, never the last window closing.
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    // A client that ended has ended the window's port calls for the whole process.
    void init() { kh::ui::ResetClosingForTest(); }
    void ClosingTheLoginDialogNeverShowsTheWindow_data();
    void ClosingTheLoginDialogNeverShowsTheWindow();
    void SignInStartsTheWindowBuiltWhileTheDialogShowed();
};

void QtClientTest::ClosingTheLoginDialogNeverShowsTheWindow_data()
{
    QTest::addColumn<bool>("stopRequest");
    QTest::newRow("close box") << false;
    QTest::newRow("stop request") << true;
}

void QtClientTest::ClosingTheLoginDialogNeverShowsTheWindow()
{
    QFETCH(bool, stopRequest);
    kh::test::TempSettingsDir settingsDir;
    QtClient client;
    // Nothing of the main window exists before the dialog has been shown.
    QVERIFY(!client.HasWindows());
    bool builtWhileOpen = false;
    bool windowHidden = false;
    bool iconSet = false;
    WhenLoginShows(client, [&] {
        // It is built once the dialog has been painted, and stays hidden.
        builtWhileOpen = QTest::qWaitFor([&] { return client.HasWindows(); }, 10000) && client.Login().isVisible();
        windowHidden = client.HasWindows() && !client.Window().isVisible();
        // The application's icon is set with the window, for the dialog too.
        iconSet = !QApplication::windowIcon().isNull() && !client.Login().windowIcon().isNull();
        if (stopRequest)
            std::thread([&] { client.App().RequestTerminate(); }).join();
        else
            client.Login().reject();
    });
    QCOMPARE(client.Run(), 0);
    QVERIFY(builtWhileOpen);
    QVERIFY(windowHidden);
    QVERIFY(iconSet);
    QVERIFY(!client.Login().isVisible());
    QVERIFY(!client.Window().isVisible());
    QVERIFY(!client.App().Started());
    QVERIFY(!client.App().Session().IsRunning());
}

void QtClientTest::SignInStartsTheWindowBuiltWhileTheDialogShowed()
{
    kh::test::TempSettingsDir settingsDir;
    kh::test::SandboxProcess sandbox;
    if (!sandbox.Started())
        QSKIP(sandbox.Error().c_str());
    {
        // Stored: check boxes away from their defaults, the web site the caption names, and a services
        // host that cannot be one, whose tip comes while the settings load, long before the window's
        // tips box exists.
        kh::ConfigCenter stored(nullptr, nullptr, nullptr);
        stored.SetAutoRunEntryManaged(false);
        stored.ResetToDefaults();
        stored.Update([](kh::SettingsValues& values) {
            values.userName = u"demo";
            values.autoRun = 0;
            values.autoGetSms = 1;
            values.listAutoSort = 0;
            values.servicesHost = "no host:0";
            values.webSite = "site.example";
        });
        stored.Save();
    }
    QtClient client;
    bool builtBeforeSignIn = false;
    WhenLoginShows(client, [&] {
        builtBeforeSignIn = QTest::qWaitFor([&] { return client.HasWindows(); }, 10000);
        kh::ConfigCenter& config = client.App().Session().Config();
        config.Update([&](kh::SettingsValues& values) { values.apiHost = values.servicesHost = sandbox.Host(); });
        config.SetExecutableLocation(kh::AnsiToWide(settingsDir.Path()), config.ExecutablePath());
        // The password is not remembered, so it is typed.
        client.Login().findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("demo"));
        client.Login().findChild<QPushButton*>(QStringLiteral("signInButton"))->click();
    });
    bool shown = false;
    bool autoGetSms = false;
    bool listAutoSort = true;
    QString caption;
    bool heldTipShown = false;
    QTimer watch;
    watch.setInterval(20);
    connect(&watch, &QTimer::timeout, [&] {
        if (!client.App().Started())
            return;
        watch.stop();
        kh::ui::MainWindow& window = client.Window();
        shown = QTest::qWaitFor([&] { return window.isVisible(); }, 10000);
        autoGetSms = window.AutoGetSmsBox()->isChecked();
        listAutoSort = window.ListAutoSortBox()->isChecked();
        caption = window.windowTitle();
        heldTipShown = QTest::qWaitFor(
            [&] { return window.TipsView()->toPlainText().contains(QStringLiteral("ServerConfig_ServicesHost")); },
            10000);
        // Ends without the question, as a stop request does.
        client.App().Terminate();
    });
    watch.start();
    QCOMPARE(client.Run(), 0);
    QVERIFY(builtBeforeSignIn);
    QVERIFY(shown);
    QVERIFY(autoGetSms);
    QVERIFY(!listAutoSort);
    QVERIFY2(caption.contains(QStringLiteral("site.example")), qPrintable(caption));
    QVERIFY(heldTipShown);
}

QTEST_MAIN(QtClientTest)
#include "QtClientTest.moc"
