#pragma once
// The windowed client from start to end, for every toolkit, over one ClientSession: the toolkit
// builds the main window, the login dialog and the settings centre as views and hands in the
// main window's controls; this builds the session and the three presenters over them. Run loads
// the settings, runs the login dialog, then starts the session (tips box, command worker,
// start-up commands), shows the main window and serves the application until the close notice,
// and ends the session. A toolkit may also build the main window and the settings centre later,
// while the login dialog shows, so the dialog does not wait for them: it starts the presenter
// with the login dialog and the controls that exist without the window (the executor, the shell)
// and attaches the window (AttachWindow) before Start. A stop request (SIGTERM, Ctrl-C at the terminal) and the end of
// the desktop session end the client without the question: at the login dialog it closes as the close box closes it;
// afterwards the shutdown runs, releasing and blacklisting the numbers and saving the tip log, and the window closes.
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

#include <memory>
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
    // Without the main window: early holds what exists before it, at least the GUI thread's
    // executor (which the window's controls must share) and, for the login dialog's links, the
    // shell. AttachWindow must follow before Start.
    AppPresenter(LoginView& loginView, SessionControls early, SessionOptions options = {});
    // End().
    ~AppPresenter();
    AppPresenter(const AppPresenter&) = delete;
    AppPresenter& operator=(const AppPresenter&) = delete;

    // The whole run. 0 when the client ended normally, also when the login dialog was closed; 1
    // when the session could not be started (or no window was attached).
    int Run();

    // The steps of Run. LoadSettings reads the settings into the record and the window; SignIn
    // runs the login dialog (true after a successful sign-in); Start starts the session and shows
    // the main window; WaitForClose serves the application until the close notice (when the
    // system ends the application first, the shutdown is forced); End stops everything: the
    // window's port calls return at once from now on, then the workers are stopped and waited for.
    void LoadSettings();
    // Hands the main window, the settings centre and the window's controls to the session and
    // builds their presenters, showing the settings in the window if they are loaded; once, on the
    // GUI thread, before Start (a sign-in may run meanwhile). Nothing happens on a second call, nor
    // after End.
    void AttachWindow(MainView& mainView, SettingsView& settingsView, SessionControls controls);
    bool HasWindow() const { return main != nullptr; }
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
    // The window's presenters exist once the window is attached.
    MainPresenter& Main() { return *main; }
    LoginPresenter& Login() { return login; }
    SettingsPresenter& Settings() { return *settings; }

private:
    // controls with the login dialog port and the targets of the sign-in and settings tips.
    SessionControls WithDialogs(SessionControls controls);
    // The settings record's tips: held (and printed) until the tips box shows tips, then passed on.
    static void SettingsTip(std::string message, std::string error, void* context);

    UiExecutor* executor;
    std::mutex tipMutex;
    bool tipsShown = false;
    std::vector<std::pair<std::string, std::string>> heldTips;

    // The login presenter is the session's login dialog port, so it is built first.
    LoginPresenter login;
    ClientSession session;
    std::unique_ptr<MainPresenter> main;
    std::unique_ptr<SettingsPresenter> settings;

    bool settingsLoaded = false;
    bool started = false;
    bool ended = false;
};

} // namespace kh::desktop
