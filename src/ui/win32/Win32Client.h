#pragma once
// The windowed client in Win32: the login dialog, the main window and the settings centre it owns,
// and the application presenter over them (desktop/AppPresenter.h), which runs the client from
// start to end. The main window and the settings centre are made (hidden) once the login dialog
// shows, which makes the dialog appear sooner; the sign-in needs them only when it has succeeded. Logging off Windows
// (WM_ENDSESSION) ends the client without the question: the numbers are settled and the tip log written before the
// handler returns.
//
// At the end the GUI thread waits for the session's workers, which may be blocked in a port call
// (a SendMessage to this thread) at that moment: the wait runs while the thread keeps answering
// those calls (RunServingCalls), each returning at once because closing has begun. Used by
// borvankh.exe (apps/borvankh) and the window bench; the calling thread is the GUI thread
// (StartGuiThread) and has common controls initialised.

#include "ui/win32/WinApi.h"

#include <functional>
#include <memory>

namespace kh::desktop {
class AppPresenter;
}

namespace kh::win32 {

class LoginWindow;
class MainWindow;
class SettingsWindow;

class Win32Client final
{
public:
    Win32Client();
    // Ends the client if Run has not.
    ~Win32Client();
    Win32Client(const Win32Client&) = delete;
    Win32Client& operator=(const Win32Client&) = delete;

    // Called when the login dialog has been made, before it shows (the window bench's clock).
    std::function<void()> onLoginShown;

    // The whole run: the steps of AppPresenter::Run, with the end as described above. 0 when the
    // client ended normally, also when the login dialog was closed; 1 when it could not start (the
    // main window could not be made, or the session did not start).
    int Run();
    // Makes the main window and the settings centre, once; false when they could not be made.
    bool MakeWindows();
    // Stops using the windows, then stops the session's workers while answering their calls.
    void End();

    desktop::AppPresenter& App() { return *app; }
    MainWindow& Window() { return *window; }
    LoginWindow& Login() { return *login; }
    SettingsWindow& Settings() { return *settingsCentre; }

private:
    bool OnSystemMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // The presenter goes first, then the dialogs, then the window that owns them.
    std::unique_ptr<MainWindow> window;
    std::unique_ptr<SettingsWindow> settingsCentre;
    std::unique_ptr<LoginWindow> login;
    std::unique_ptr<desktop::AppPresenter> app;
    bool windowsMade = false;
    bool windowsOk = false;
    bool ended = false;
};

} // namespace kh::win32
