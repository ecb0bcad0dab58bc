#pragma once
// What the login dialog does, for every toolkit: it shows the remembered user name, password and
// the two start-up options when it is first shown, starts the sign-in (the button or Enter) after
// copying the user name and password into the settings, shows the sign-in tips in its tips strip
// (hidden again when the next attempt starts), refuses to close while a sign-in runs, stores the
// four fields (and saves the settings) when it is closed, ends accepted once the sign-in worker has
// ended after its success notice (checked every 100 ms), opens the web site's home page (banner)
// and registration page (register button), and ignores Escape.
//
// It is the session's login dialog port and, through ShowLoginTip with the presenter as context,
// the target of the sign-in tips: both come from the sign-in worker and are posted to the GUI
// thread through the UI executor (null: run on the calling thread), never waited for. Built before
// the session, which takes it as its port, and attached to the session before the dialog shows.

#include "core/ports/LoginDialogPort.h"

#include <functional>
#include <string>

namespace kh {
class ClientSession;
class UiExecutor;
} // namespace kh

namespace kh::desktop {

class LoginView;

class LoginPresenter final : public LoginDialogPort
{
public:
    static constexpr int kSuccessPollMs = 100;
    static constexpr const char16_t* kBusyCloseTip = u"正在登录，请稍候再关闭！";

    LoginPresenter(LoginView& view, UiExecutor* executor);
    ~LoginPresenter() override;
    LoginPresenter(const LoginPresenter&) = delete;
    LoginPresenter& operator=(const LoginPresenter&) = delete;

    void Attach(ClientSession& session);

    // The sign-in controller's tip callback (SessionControls::loginTip) with the presenter as
    // context; any thread. Nothing happens when context is null.
    static void ShowLoginTip(std::string message, std::string error, void* context);

    // The login dialog port; any thread.
    void SetButtonCaption(const std::u16string& caption) override;
    void PostSuccessNotice() override;

    // Runs the dialog modally: true after a successful sign-in, false when the user closed it.
    bool Run();
    // A stop request or the end of the desktop session while the dialog is open: it closes as
    // the close box closes it (storing and saving the settings), at once if a sign-in runs.
    void Terminate();
    bool IsOpen() const { return open; }

    // The view's reports; GUI thread.
    void OnShown();
    void OnSignIn();
    void OnCloseRequested();
    void OnEscape() {}
    void OnBannerClicked();
    void OnRegisterClicked();
    void OnTimer();

private:
    // Runs task on the GUI thread through the executor (or at once without one).
    void Post(std::function<void()> task);
    void LoadFields();
    // Copies the user name and password (and with options both check boxes) into the settings.
    void StoreFields(bool withOptions);
    void OnSuccessNotice();
    void End(bool accepted);
    void OpenSitePage(const char* path);

    LoginView& view;
    UiExecutor* executor;
    ClientSession* session = nullptr;
    bool loaded = false;
    bool open = false;
    // Set by the success notice: the dialog is about to end accepted, so neither a close nor
    // another sign-in may intervene.
    bool succeeded = false;
};

} // namespace kh::desktop
