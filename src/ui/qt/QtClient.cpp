#include "ui/qt/QtClient.h"

#include "desktop/AppPresenter.h"
#include "ui/qt/LoginDialog.h"
#include "ui/qt/MainWindow.h"
#include "ui/qt/SettingsCentre.h"

#include <QApplication>
#include <QSessionManager>

namespace kh::ui {

QtClient::QtClient()
    : window(std::make_unique<MainWindow>()), settingsCentre(std::make_unique<SettingsCentre>(window.get())),
      login(std::make_unique<LoginDialog>())
{
    app = std::make_unique<desktop::AppPresenter>(*window, *login, *settingsCentre, window->Controls());
    connect(qApp, &QGuiApplication::commitDataRequest, this, &QtClient::CommitData, Qt::DirectConnection);
}

QtClient::~QtClient()
{
    app.reset();
    login.reset();
    settingsCentre.reset();
}

int QtClient::Run()
{
    return app->Run();
}

void QtClient::CommitData(QSessionManager& manager)
{
    Q_UNUSED(manager);
    // The desktop waits for this handler before it logs the user out: the numbers are settled and
    // the tip log written before it returns.
    app->EndOfDesktopSession();
}

} // namespace kh::ui
