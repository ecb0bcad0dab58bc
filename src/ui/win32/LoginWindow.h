#pragma once
// The sign-in dialog as the login presenter's view (desktop/LoginView.h): runs the dialog resource
// (LoginDialog) modally and passes what the user does to the presenter: being shown (when the
// dialog is made), the sign-in button and Enter, the register button, the banner, the close box
// and Alt+F4, and each tick of its timer. Tips expand the dialog and hiding them collapses it.
// Decides nothing itself; GUI thread throughout.

#include "desktop/LoginView.h"
#include "ui/win32/LoginDialog.h"

#include <functional>

namespace kh::win32 {

class LoginWindow final : public desktop::LoginView
{
public:
    LoginWindow();
    LoginWindow(const LoginWindow&) = delete;
    LoginWindow& operator=(const LoginWindow&) = delete;

    void SetPresenter(desktop::LoginPresenter* presenter) override;
    desktop::LoginFields ReadFields() override;
    void ShowFields(const desktop::LoginFields& fields) override;
    void SetSignInCaption(const std::u16string& caption) override;
    void ShowTip(const std::u16string& text) override;
    void HideTip() override;
    void StartTimer(int intervalMs) override;
    void StopTimer() override;
    bool RunModal() override;
    void End(bool accepted) override;

    // The dialog, while it runs (for tests and the bench).
    LoginDialog& Dialog() { return dialog; }
    // Called once the dialog has been made and laid out, before it shows (the bench's clock).
    std::function<void()> onShown;

private:
    static constexpr UINT_PTR kTimerId = 1;

    desktop::LoginPresenter* presenter = nullptr;
    LoginDialog dialog;
    bool timerRunning = false;
};

} // namespace kh::win32
