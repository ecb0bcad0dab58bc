#pragma once
// The windowed client in Qt: builds the main window, the login dialog and the settings centre,
// and the application presenter over them (desktop/AppPresenter.h), which runs the client from
// start to end. It passes the desktop's end of session (logging out) to the presenter, which ends
// the client without the question before the desktop goes on. Used by the borvankh executable.

#include <QObject>
#include <memory>

class QSessionManager;

namespace kh::desktop {
class AppPresenter;
}

namespace kh::ui {

class LoginDialog;
class MainWindow;
class SettingsCentre;

class QtClient final : public QObject
{
    Q_OBJECT

public:
    QtClient();
    // Ends the client (AppPresenter::End) if Run has not.
    ~QtClient() override;
    QtClient(const QtClient&) = delete;
    QtClient& operator=(const QtClient&) = delete;

    // The whole run (AppPresenter::Run).
    int Run();

    desktop::AppPresenter& App() { return *app; }
    MainWindow& Window() { return *window; }
    LoginDialog& Login() { return *login; }
    SettingsCentre& Settings() { return *settingsCentre; }

private:
    void CommitData(QSessionManager& manager);

    // The presenter goes first, then the dialogs, then the window that parents them.
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SettingsCentre> settingsCentre;
    std::unique_ptr<LoginDialog> login;
    std::unique_ptr<desktop::AppPresenter> app;
};

} // namespace kh::ui
