#include "ui/win32/Win32Client.h"

#include "desktop/AppPresenter.h"
#include "ui/win32/GuiThread.h"
#include "ui/win32/LoginWindow.h"
#include "ui/win32/MainWindow.h"
#include "ui/win32/SettingsWindow.h"

namespace kh::win32 {

Win32Client::Win32Client()
    : window(std::make_unique<MainWindow>()), settingsCentre(std::make_unique<SettingsWindow>()),
      login(std::make_unique<LoginWindow>())
{
    window->onSystemMessage = [this](UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
        return OnSystemMessage(message, wParam, lParam, result);
    };
    // The main window and the settings centre are made once the login dialog is on the screen, so
    // the dialog does not wait for them; what the presenters write into them before that is
    // written again then (MakeWindows).
    login->onShown = [this] {
        if (onLoginShown)
            onLoginShown();
        PostToGuiThread([this] { MakeWindows(); });
    };
    app = std::make_unique<desktop::AppPresenter>(*window, *login, *settingsCentre, window->Controls());
}

bool Win32Client::MakeWindows()
{
    if (windowsMade)
        return windowsOk;
    windowsMade = true;
    windowsOk = window->Create() && settingsCentre->Create(window->Dialog().Handle());
    if (!windowsOk)
        return false;
    window->AddDialog(settingsCentre->Dialog().Handle());
    // The check boxes, the count, the search box and the caption; the settings centre's pages are
    // loaded from the settings each time it shows.
    app->Main().ShowSettings();
    return true;
}

Win32Client::~Win32Client()
{
    End();
    app.reset();
    login.reset();
    settingsCentre.reset();
}

int Win32Client::Run()
{
    app->LoadSettings();
    int status = 0;
    if (app->SignIn()) {
        if (!MakeWindows()) {
            MessageBoxW(nullptr, L"无法创建主窗口。", L"BorvanKH", MB_OK | MB_ICONERROR);
            status = 1;
        } else if (app->Start()) {
            app->WaitForClose();
        } else {
            status = 1;
        }
    }
    End();
    return status;
}

void Win32Client::End()
{
    if (ended)
        return;
    ended = true;
    window->onSystemMessage = nullptr;
    // On the GUI thread: an export in progress finishes, then the port calls end.
    app->Main().Detach();
    RunServingCalls([this] { app->End(); });
}

bool Win32Client::OnSystemMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        // The client never stands in the way of logging off: it settles its numbers when the
        // session ends.
        result = TRUE;
        return true;
    case WM_ENDSESSION:
        // Windows may end the process once this returns: the shutdown runs here, without asking.
        if (wParam != FALSE && app != nullptr)
            app->EndOfDesktopSession();
        result = 0;
        return true;
    default:
        return false;
    }
}

} // namespace kh::win32
