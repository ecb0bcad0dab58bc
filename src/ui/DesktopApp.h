#pragma once
// The windowed client from start to end, over one ClientSession: builds the main window, the login
// dialog and the hidden settings centre, loads the settings, runs the login dialog, then starts the
// session (tips box, command worker, start-up commands) and shows the main window until the close
// notice. It also ends the client on request of the desktop (logging out) or of SIGTERM: the
// shutdown then runs without the question. Used by the borvankh executable and the GUI tests.

#include <QObject>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

class QSessionManager;

namespace kh {
class ClientSession;
}

namespace kh::ui {

class LoginDialog;
class LoginRelay;
class MainWindow;
class SettingsCentre;

class DesktopApp final : public QObject
{
    Q_OBJECT

public:
    DesktopApp();
    // Ends the session (see End) if Run has not.
    ~DesktopApp() override;
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    // The whole run: settings, sign-in, main window until closed. 0 when the client ended normally,
    // also when the login dialog was closed.
    int Run();

    // The steps of Run, for tests. LoadSettings reads the settings into the record and the
    // window; SignIn runs the login dialog modally (true after a successful sign-in); Start starts
    // the session and shows the main window; WaitForClose runs the event loop until the close
    // notice (or until the application is told to quit, after which the shutdown is forced).
    void LoadSettings();
    bool SignIn();
    bool Start();
    void WaitForClose();
    // Stops everything: ports return at once from now on, the workers are stopped and waited for.
    void End();

    // The desktop is logging out or SIGTERM arrived: no question is asked, the numbers are
    // released and blacklisted and the tip log is saved, then the window closes. GUI thread.
    void Terminate();

    MainWindow& Window() { return *window; }
    ClientSession& Session() { return *session; }
    LoginDialog& Login() { return *login; }
    SettingsCentre& Settings() { return *settingsCentre; }
    bool Started() const { return started; }

private:
    // The settings record's tips: held (and printed) until the tips box shows tips, then passed on.
    static void SettingsTip(std::string message, std::string error, void* context);
    void CommitData(QSessionManager& manager);
    // Waits, serving the GUI, until the close notice or until the deadline.
    bool WaitForCloseNotice(int milliseconds);

    std::unique_ptr<MainWindow> window;
    std::unique_ptr<LoginRelay> relay;
    std::unique_ptr<ClientSession> session;
    std::unique_ptr<SettingsCentre> settingsCentre;
    std::unique_ptr<LoginDialog> login;

    std::mutex tipMutex;
    bool tipsShown = false;
    std::vector<std::pair<std::string, std::string>> heldTips;

    bool started = false;
    bool ended = false;
};

} // namespace kh::ui
