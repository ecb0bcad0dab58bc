#include "ui/qt/QtClient.h"

#include "desktop/AppPresenter.h"
#include "ui/qt/GuiExecutor.h"
#include "ui/qt/GuiShell.h"
#include "ui/qt/LoginDialog.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/SettingsCentre.h"

#include <QApplication>
#include <QEvent>
#include <QIcon>
#include <QSessionManager>
#include <QTimer>

namespace kh::ui {

QtClient::QtClient()
    : executor(std::make_unique<GuiExecutor>()), shell(std::make_unique<GuiShell>()),
      login(std::make_unique<LoginDialog>())
{
    // Before the window: the GUI thread's executor (the window shares it) and the shell the login
    // dialog's banner and register button open the web site with.
    SessionControls early;
    early.executor = executor.get();
    early.shell = shell.get();
    app = std::make_unique<desktop::AppPresenter>(*login, early);
    login->installEventFilter(this);
    connect(qApp, &QGuiApplication::commitDataRequest, this, &QtClient::CommitData, Qt::DirectConnection);
}

QtClient::~QtClient()
{
    app.reset();
    login.reset();
    settingsCentre.reset();
    window.reset();
}

bool QtClient::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == login.get() && event->type() == QEvent::Paint && !windowsPending && window == nullptr) {
        // The dialog is on the screen and drawn: the window is built when the GUI thread next
        // turns to its queue, after this paint has been sent to the display.
        windowsPending = true;
        login->removeEventFilter(this);
        QTimer::singleShot(0, this, [this] { MakeWindows(); });
    }
    return QObject::eventFilter(watched, event);
}

void QtClient::MakeWindows()
{
    if (window != nullptr)
        return;
    // The application's icon (the login dialog's too) is set here rather than before the dialog
    // shows: the window manager is given it drawn at four sizes, up to 128 pixels, which would
    // delay the dialog's first appearance.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app.svg")));
    window = std::make_unique<MainWindow>(nullptr, executor.get());
    settingsCentre = std::make_unique<SettingsCentre>(window.get());
    app->AttachWindow(*window, *settingsCentre, window->Controls());
}

int QtClient::Run()
{
    app->LoadSettings();
    if (!app->SignIn()) {
        app->End();
        return 0;
    }
    MakeWindows();
    if (!app->Start()) {
        app->End();
        return 1;
    }
    app->WaitForClose();
    app->End();
    return 0;
}

void QtClient::CommitData(QSessionManager& manager)
{
    Q_UNUSED(manager);
    // The desktop waits for this handler before it logs the user out: the numbers are settled and
    // the tip log written before it returns.
    app->EndOfDesktopSession();
}

} // namespace kh::ui
