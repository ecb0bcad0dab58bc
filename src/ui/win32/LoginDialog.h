#pragma once
// The sign-in dialog (dialog resource 129), run modally before the main window shows: user name,
// password, the two start-up options, the sign-in and register buttons, the banner across the top
// and the one-line tips strip at the bottom, which is outside the dialog while it is collapsed and
// inside once expanded. It is the login-dialog port of the sign-in controller. The dialog decides
// nothing: the sign-in (button or Enter), the register button, the banner, the close box and the
// success notice arrive at the callback members; Escape does nothing.

#include "core/ports/LoginDialogPort.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Dialog.h"

#include <functional>

namespace kh::win32 {

class LoginDialog final : public Dialog, public LoginDialogPort
{
public:
    std::function<void()> onSignIn;
    std::function<void()> onRegister;
    std::function<void()> onBanner;
    // The close box or Alt+F4.
    std::function<void()> onClose;
    // The success notice posted by PostSuccessNotice has arrived.
    std::function<void()> onSucceeded;

    ~LoginDialog() override;

    // Shrinks the dialog so that the tips strip is outside it / grows it back to its full size.
    // GUI thread.
    void Collapse();
    void Expand();
    bool IsCollapsed() const;
    // Expands the dialog and puts text into the tips strip (replacing what was there); any thread.
    void ShowTip(const std::u16string& text);

    // LoginDialogPort; any thread.
    void SetButtonCaption(const std::u16string& caption) override;
    void PostSuccessNotice() override;

    Edit userBox;
    Edit passwordBox;
    CheckBox autoRunBox;
    CheckBox savePasswordBox;
    Button signInButton;
    Button registerButton;
    Static banner;
    Static tipIcon;
    Edit tipsLine;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void FitBanner();

    RECT fullRect{};
    RECT collapsedRect{};
    HBITMAP bannerBitmap = nullptr;
    HICON smallIcon = nullptr;
    HICON tipIconImage = nullptr;
};

} // namespace kh::win32
