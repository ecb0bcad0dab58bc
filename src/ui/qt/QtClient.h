#pragma once
// The windowed client in Qt: builds the login dialog and the application presenter over it
// (desktop/AppPresenter.h), which runs the client from start to end. The main window and the
// settings centre it parents are built once the login dialog has been painted, so the dialog does
// not wait for them (they take about as long to build as the dialog takes to show), and handed to
// the presenter then, with the application's icon set; a sign-in that ends before that builds
// them at once. Closing the login dialog
// ends the client without them ever being built. It passes the desktop's end of session (logging
// out) to the presenter, which ends the client without the question before the desktop goes on.
// Used by the borvankh executable.

#include <QObject>
#include <memory>

class QSessionManager;

namespace kh::desktop {
class AppPresenter;
}

namespace kh::ui {

class GuiExecutor;
class GuiShell;
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

    // The whole run (AppPresenter::Run), with the main window built as described above.
    int Run();
    // Builds the main window and the settings centre and attaches them to the presenter; once
    // (later calls do nothing). GUI thread.
    void MakeWindows();
    bool HasWindows() const { return window != nullptr; }

    desktop::AppPresenter& App() { return *app; }
    LoginDialog& Login() { return *login; }
    // The main window and the settings centre, once made.
    MainWindow& Window() { return *window; }
    SettingsCentre& Settings() { return *settingsCentre; }

protected:
    // Watches the login dialog for its first paint.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CommitData(QSessionManager& manager);

    // Destroyed in reverse: the presenter goes first, then the dialogs, then the window that
    // parents the settings centre, and last what the presenter's tasks and links use.
    std::unique_ptr<GuiExecutor> executor;
    std::unique_ptr<GuiShell> shell;
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SettingsCentre> settingsCentre;
    std::unique_ptr<LoginDialog> login;
    std::unique_ptr<desktop::AppPresenter> app;
    bool windowsPending = false;
};

} // namespace kh::ui
