#include "ui/win32/LoginWindow.h"

#include "desktop/LoginPresenter.h"
#include "ui/win32/ResourceIds.h"

namespace kh::win32 {

LoginWindow::LoginWindow()
{
    // The dialog reports only to the presenter, and only while there is one.
    dialog.onInit = [this] {
        if (presenter != nullptr)
            presenter->OnShown();
        if (onShown)
            onShown();
        return true;
    };
    dialog.onSignIn = [this] {
        if (presenter != nullptr)
            presenter->OnSignIn();
    };
    dialog.onRegister = [this] {
        if (presenter != nullptr)
            presenter->OnRegisterClicked();
    };
    dialog.onBanner = [this] {
        if (presenter != nullptr)
            presenter->OnBannerClicked();
    };
    dialog.onClose = [this] {
        if (presenter != nullptr)
            presenter->OnCloseRequested();
    };
    dialog.onMessage = [this](UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (message != WM_TIMER || wParam != kTimerId)
            return false;
        if (presenter != nullptr)
            presenter->OnTimer();
        result = 0;
        return true;
    };
}

void LoginWindow::SetPresenter(desktop::LoginPresenter* owner)
{
    presenter = owner;
}

desktop::LoginFields LoginWindow::ReadFields()
{
    desktop::LoginFields fields;
    fields.user = dialog.userBox.GetWindowText();
    fields.password = dialog.passwordBox.GetWindowText();
    fields.autoRun = dialog.autoRunBox.IsChecked();
    fields.savePassword = dialog.savePasswordBox.IsChecked();
    return fields;
}

void LoginWindow::ShowFields(const desktop::LoginFields& fields)
{
    dialog.userBox.SetWindowText(fields.user);
    dialog.passwordBox.SetWindowText(fields.password);
    dialog.autoRunBox.SetChecked(fields.autoRun);
    dialog.savePasswordBox.SetChecked(fields.savePassword);
}

void LoginWindow::SetSignInCaption(const std::u16string& caption)
{
    dialog.SetButtonCaption(caption);
}

void LoginWindow::ShowTip(const std::u16string& text)
{
    dialog.ShowTip(text);
}

void LoginWindow::HideTip()
{
    dialog.Collapse();
}

void LoginWindow::StartTimer(int intervalMs)
{
    if (dialog.Handle() != nullptr && SetTimer(dialog.Handle(), kTimerId, static_cast<UINT>(intervalMs), nullptr) != 0)
        timerRunning = true;
}

void LoginWindow::StopTimer()
{
    if (timerRunning && dialog.Handle() != nullptr)
        KillTimer(dialog.Handle(), kTimerId);
    timerRunning = false;
}

bool LoginWindow::RunModal()
{
    // The dialog has no owner: the main window is not shown before the sign-in.
    INT_PTR result = dialog.RunModal(IDD_LOGIN, nullptr);
    timerRunning = false;
    return result == IDOK;
}

void LoginWindow::End(bool accepted)
{
    StopTimer();
    dialog.End(accepted ? IDOK : IDCANCEL);
}

} // namespace kh::win32
