#include "ui/qt/GuiNotifier.h"

#include "ui/qt/GuiThread.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>
#include <QWidget>

namespace kh::ui {

namespace {

// The action every notice carries: the service runs it when the notice itself is clicked.
const QString kDefaultAction = QStringLiteral("default");
// Matches the desktop entry and the icon that the install step puts in place.
const QString kDesktopEntry = QStringLiteral("borvankh");
// -1: the service's own time-out; 1: normal urgency.
constexpr int kExpireDefault = -1;
constexpr uchar kUrgencyNormal = 1;

} // namespace

const QString GuiNotifier::kService = QStringLiteral("org.freedesktop.Notifications");
const QString GuiNotifier::kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString GuiNotifier::kInterface = QStringLiteral("org.freedesktop.Notifications");

GuiNotifier::GuiNotifier(QWidget* window, const QDBusConnection& bus, QObject* parent)
    : QObject(parent), window(window), connection(bus)
{
    if (!connection.isConnected())
        return;
    connection.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                       SLOT(OnActionInvoked(uint, QString)));
    connection.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                       SLOT(OnNotificationClosed(uint, uint)));
}

void GuiNotifier::NotifyCode(const std::u16string& number, const std::u16string& code)
{
    QString numberText = QString::fromStdU16String(number);
    QString codeText = QString::fromStdU16String(code);
    RunOnGuiThread(
        this, [this, numberText, codeText] { Send(numberText, codeText); }, false);
}

void GuiNotifier::Send(const QString& number, const QString& code)
{
    if (!connection.isConnected()) {
        emit noticeFailed(QStringLiteral("no session bus"));
        return;
    }
    // The body may be read as markup by the service: the code comes from an SMS and is escaped.
    QString summary = QStringLiteral("验证码 %1").arg(code);
    QString body = QStringLiteral("手机号码 %1 收到验证码 %2").arg(number.toHtmlEscaped(), code.toHtmlEscaped());
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), kDesktopEntry);
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(kUrgencyNormal));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
    call << QStringLiteral("BorvanKH") << uint(0) << kDesktopEntry << summary << body
         << QStringList({kDefaultAction, QStringLiteral("打开主窗口")}) << hints << kExpireDefault;
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        QDBusPendingReply<uint> reply = *finished;
        finished->deleteLater();
        if (reply.isError()) {
            emit noticeFailed(reply.error().message());
            return;
        }
        shown.insert(reply.value());
        emit noticeShown(reply.value());
    });
}

void GuiNotifier::OnActionInvoked(uint id, const QString& action)
{
    // Every client's notices come through the same service: only ours raise this window.
    if (!shown.contains(id) || action != kDefaultAction)
        return;
    RaiseWindow();
}

void GuiNotifier::OnNotificationClosed(uint id, uint reason)
{
    Q_UNUSED(reason);
    shown.remove(id);
}

void GuiNotifier::RaiseWindow()
{
    if (window == nullptr)
        return;
    // A window hidden to the notification area or minimised comes back where it was.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    emit windowRaised();
}

} // namespace kh::ui
