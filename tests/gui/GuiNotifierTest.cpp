// The desktop notification of a code through the freedesktop notification service, on a private
// D-Bus session bus that the test starts with a configuration of its own (no service files, so no
// real notification daemon is ever started) and a fake notification service on it: what a notice
// carries, that only a click on one of ours raises the window, and that without a service or
// without a bus nothing is shown and nothing waits. Skipped when no bus daemon can be started.

#include "ui/qt/GuiNotifier.h"

#include "support/PrivateKeyring.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>
#include <memory>
#include <string>
#include <thread>

using kh::ui::GuiNotifier;

namespace {

constexpr int kWait = 10000;

// The notification service as a desktop offers it, keeping every Notify call.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Call
    {
        QString app;
        uint replaces;
        QString icon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int timeout;
    };

    QList<Call> calls;
    uint lastId = 40;

public slots:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        calls.append({app, replaces, icon, summary, body, actions, hints, timeout});
        return ++lastId;
    }
    QStringList GetCapabilities() { return {QStringLiteral("actions"), QStringLiteral("body")}; }
    void CloseNotification(uint) {}
};

// Sends one of the service's signals, as the desktop does when a notice is clicked or closed.
void EmitSignal(QDBusConnection& bus, const char* name, const QVariantList& arguments)
{
    QDBusMessage signal = QDBusMessage::createSignal(GuiNotifier::kPath, GuiNotifier::kInterface, QLatin1String(name));
    signal.setArguments(arguments);
    bus.send(signal);
}

// NotifyCode from another thread, as a poller calls it.
void NotifyFromWorker(GuiNotifier& notifier, const std::u16string& number, const std::u16string& code)
{
    std::thread worker([&] { notifier.NotifyCode(number, code); });
    worker.join();
}

} // namespace

class GuiNotifierTest : public QObject
{
    Q_OBJECT

private slots:
    void noticeShowsNumberAndCodeAndOnlyOurClickRaisesTheWindow()
    {
        kh::test::PrivateKeyring bus(kh::test::PrivateKeyring::Service::BusOnly);
        if (!bus.Ready())
            QSKIP(bus.Error().c_str());
        const QString address = QString::fromStdString(bus.Address());
        QDBusConnection service = QDBusConnection::connectToBus(address, QStringLiteral("fake-service"));
        FakeNotifications fake;
        QVERIFY(service.registerObject(GuiNotifier::kPath, &fake, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(GuiNotifier::kService));

        QMainWindow window;
        GuiNotifier notifier(&window, QDBusConnection::connectToBus(address, QStringLiteral("client")));
        QSignalSpy shown(&notifier, &GuiNotifier::noticeShown);
        QSignalSpy raised(&notifier, &GuiNotifier::windowRaised);

        NotifyFromWorker(notifier, u"13800138000", u"482915");
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 1, kWait);
        QCOMPARE(fake.calls.size(), 1);
        const FakeNotifications::Call& call = fake.calls[0];
        QCOMPARE(call.app, QStringLiteral("BorvanKH"));
        QCOMPARE(call.replaces, 0u);
        QCOMPARE(call.summary, QStringLiteral("验证码 482915"));
        QCOMPARE(call.body, QStringLiteral("手机号码 13800138000 收到验证码 482915"));
        QCOMPARE(call.actions.value(0), QStringLiteral("default"));
        QCOMPARE(call.actions.size(), 2);
        QCOMPARE(call.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("borvankh"));
        uint id = shown[0][0].toUInt();
        QCOMPARE(id, fake.lastId);

        // A code from an SMS is text, never markup.
        NotifyFromWorker(notifier, u"13800138001", u"<b>&1");
        QTRY_COMPARE_WITH_TIMEOUT(shown.count(), 2, kWait);
        QCOMPARE(fake.calls[1].body, QStringLiteral("手机号码 13800138001 收到验证码 &lt;b&gt;&amp;1"));
        uint second = shown[1][0].toUInt();

        // Another client's notice, another action, then ours: the window comes back once, for ours.
        // The signals arrive in order, so once ours has raised the window the others were seen.
        QVERIFY(!window.isVisible());
        EmitSignal(service, "ActionInvoked", {id + 100, QStringLiteral("default")});
        EmitSignal(service, "ActionInvoked", {id, QStringLiteral("reply")});
        EmitSignal(service, "ActionInvoked", {id, QStringLiteral("default")});
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 1, kWait);
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(window.isActiveWindow(), kWait);

        // A minimised window is restored; a notice the desktop has closed raises nothing any more.
        window.showMinimized();
        EmitSignal(service, "NotificationClosed", {id, 2u});
        EmitSignal(service, "ActionInvoked", {id, QStringLiteral("default")});
        EmitSignal(service, "ActionInvoked", {second, QStringLiteral("default")});
        QTRY_COMPARE_WITH_TIMEOUT(raised.count(), 2, kWait);
        QVERIFY(!window.windowState().testFlag(Qt::WindowMinimized));
        QTest::qWait(50);
        QCOMPARE(raised.count(), 2);
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-service"));
    }

    void withoutAServiceNothingIsShownAndNothingWaits_data()
    {
        QTest::addColumn<bool>("withBus");
        QTest::newRow("no notification service on the bus") << true;
        QTest::newRow("no session bus at all") << false;
    }

    void withoutAServiceNothingIsShownAndNothingWaits()
    {
        QFETCH(bool, withBus);
        std::unique_ptr<kh::test::PrivateKeyring> bus;
        QString address = QStringLiteral("unix:path=/nonexistent/borvankh-test-bus");
        if (withBus) {
            bus = std::make_unique<kh::test::PrivateKeyring>(kh::test::PrivateKeyring::Service::BusOnly);
            if (!bus->Ready())
                QSKIP(bus->Error().c_str());
            address = QString::fromStdString(bus->Address());
        }
        QMainWindow window;
        GuiNotifier notifier(&window, QDBusConnection::connectToBus(address, QStringLiteral("lonely")));
        QSignalSpy shown(&notifier, &GuiNotifier::noticeShown);
        QSignalSpy failed(&notifier, &GuiNotifier::noticeFailed);
        // The call returns at once; the failure is only seen later, on the GUI thread.
        NotifyFromWorker(notifier, u"13800138000", u"482915");
        QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kWait);
        QCOMPARE(shown.count(), 0);
        QVERIFY(!window.isVisible());
        QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));
    }
};

QTEST_MAIN(GuiNotifierTest)
#include "GuiNotifierTest.moc"
