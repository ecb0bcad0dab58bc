#pragma once
// The desktop notification of each extracted code, through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus): the code as the summary, the number in the
// body, and a default action, so that clicking the notice raises and activates the main window.
//
// NotifyCode may come from any thread; the notice is posted to the GUI thread and sent there as an
// asynchronous call, so nothing ever waits for the desktop. Without a session bus, without a
// notification service, or when the service fails the call, nothing is shown and nothing is
// reported: the code is in the list either way.

#include "core/ports/NotifierPort.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

class QWidget;

namespace kh::ui {

class GuiNotifier final : public QObject, public NotifierPort
{
    Q_OBJECT

public:
    static const QString kService;
    static const QString kPath;
    static const QString kInterface;

    // window: raised when a notice is clicked. connection: the bus of the notification service
    // (the session bus; tests pass a private one).
    explicit GuiNotifier(QWidget* window, const QDBusConnection& connection = QDBusConnection::sessionBus(),
                         QObject* parent = nullptr);

    // Any thread.
    void NotifyCode(const std::u16string& number, const std::u16string& code) override;

signals:
    // The service took a notice and gave it this id.
    void noticeShown(uint id);
    // The notice could not be handed over (no bus, no service, an error reply); for the tests.
    void noticeFailed(const QString& reason);
    // A notice of ours was clicked and the window raised.
    void windowRaised();

private slots:
    void OnActionInvoked(uint id, const QString& action);
    void OnNotificationClosed(uint id, uint reason);

private:
    void Send(const QString& number, const QString& code);
    void RaiseWindow();

    QPointer<QWidget> window;
    QDBusConnection connection;
    // Ids of the notices the service is showing for us: only their clicks raise the window.
    QSet<uint> shown;
};

} // namespace kh::ui
