#pragma once
// The windowed client from start to end, for every toolkit, over one ClientSession: the toolkit
// builds the main window, the login dialog and the settings centre as views and hands in the
// main window's controls; this builds the session and the three presenters over them. Run loads
// the settings, runs the login dialog, then starts the session (tips box, command worker,
// start-up commands), shows the main window and serves the application until the close notice,
// and ends the session. A stop request (SIGTERM, Ctrl-C at the terminal) and the end of the
// desktop session end the client without the question: at the login dialog it closes as the
// close box closes it; afterwards the shutdown runs, releasing and blacklisting the numbers and
// saving the tip log, and the window closes.
//
// The thread rule of the layer: presenters and views live on the GUI thread, the thread that owns
// the windows. Every presenter call is made there (the views report there) and every view call is
// made there. Workers never call a view: they reach the windows through the ports
// (core/ports/UiExecutor.h), whose toolkit implementations carry each call over to the GUI thread,
// and they reach a presenter only through a task posted to the UI executor (the login dialog's
// port and tips, an export's end, a stop request). The GUI thread never waits for a worker while
// the session runs; it takes the settings lock only to copy values in or out.

#include "app/ClientSession.h"
#include "desktop/LoginPresenter.h"
#include "desktop/MainPresenter.h"
#include "desktop/SettingsPresenter.h"

#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace kh::desktop {

class AppPresenter final
{
public:
    // How long a forced shutdown (stopping the managers, releasing the numbers) may take before the
    // client ends regardless.
    static constexpr int kForcedShutdownMs = 60000;

    // controls: the main window's controls and its GUI thread's executor; the login dialog's port
    // and the targets of the sign-in and settings tips are filled in here. settingsView is also the
    // session's settings-centre port.
    AppPresenter(MainView& mainView, LoginView& loginView, SettingsView& settingsView, SessionControls controls,
                 SessionOptions options = {});
    // End().
    ~AppPresenter();
    AppPresenter(const AppPresenter&) = delete;
    AppPresenter& operator=(const AppPresenter&) = delete;

    // The whole run. 0 when the client ended normally, also when the login dialog was closed; 1
    // when the session could not be started.
    int Run();

    // The steps of Run. LoadSettings reads the settings into the record and the window; SignIn
    // runs the login dialog (true after a successful sign-in); Start starts the session and shows
    // the main window; WaitForClose serves the application until the close notice (when the
    // system ends the application first, the shutdown is forced); End stops everything: the
    // window's port calls return at once from now on, then the workers are stopped and waited for.
    void LoadSettings();
    bool SignIn();
    bool Start();
    void WaitForClose();
    void End();

    // A stop request or the end of the desktop session, on the GUI thread: no question is asked.
    void Terminate();
    // The same from any thread (a stop request's watcher): Terminate is posted to the GUI thread.
    void RequestTerminate();
    // The desktop is about to log out and waits for this call: Terminate, then serve the GUI thread
    // until the window has closed (at most kForcedShutdownMs), so the numbers are settled and the
    // tip log written when it returns.
    void EndOfDesktopSession();

    bool Started() const { return started; }
    ClientSession& Session() { return session; }
    MainPresenter& Main() { return main; }
    LoginPresenter& Login() { return login; }
    SettingsPresenter& Settings() { return settings; }

private:
    SessionControls WithDialogs(SessionControls controls, SettingsView& settingsView);
    // The settings record's tips: held (and printed) until the tips box shows tips, then passed on.
    static void SettingsTip(std::string message, std::string error, void* context);

    UiExecutor* executor;
    std::mutex tipMutex;
    bool tipsShown = false;
    std::vector<std::pair<std::string, std::string>> heldTips;

    // The login presenter is the session's login dialog port, so it is built first.
    LoginPresenter login;
    ClientSession session;
    MainPresenter main;
    SettingsPresenter settings;

    bool started = false;
    bool ended = false;
};

} // namespace kh::desktop
