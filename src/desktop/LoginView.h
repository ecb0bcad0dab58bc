#pragma once
// The login dialog as its presenter sees it: the four fields it shows and reads back, the caption
// of the sign-in button, the tips strip at its bottom (shown with a text, the dialog growing to hold
// it; hidden, the dialog collapsed), a repeating timer, and the modal run with its end. The view
// reports to LoginPresenter: being shown, the sign-in button (and Enter), the register button, a
// click on the banner, the close box (and Alt+F4), Escape, and each tick of the timer. It decides
// nothing itself (thread rule in desktop/AppPresenter.h).

#include <string>

namespace kh::desktop {

class LoginPresenter;

struct LoginFields
{
    std::u16string user;
    std::u16string password;
    bool autoRun = false;
    bool savePassword = false;
};

class LoginView
{
public:
    virtual ~LoginView() = default;

    // Where the reports go from now on; null: nowhere.
    virtual void SetPresenter(LoginPresenter* presenter) = 0;

    virtual LoginFields ReadFields() = 0;
    virtual void ShowFields(const LoginFields& fields) = 0;
    virtual void SetSignInCaption(const std::u16string& caption) = 0;
    virtual void ShowTip(const std::u16string& text) = 0;
    virtual void HideTip() = 0;

    // Reports OnTimer every intervalMs until StopTimer.
    virtual void StartTimer(int intervalMs) = 0;
    virtual void StopTimer() = 0;

    // Shows the dialog modally; returns once End has been called, true when it ended accepted.
    virtual bool RunModal() = 0;
    // Ends the dialog with its result: the modal run returns, a dialog shown without one hides.
    virtual void End(bool accepted) = 0;
};

} // namespace kh::desktop
