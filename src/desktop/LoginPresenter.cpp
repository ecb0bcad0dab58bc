#include "desktop/LoginPresenter.h"

#include "app/ClientSession.h"
#include "app/TipsBox.h"
#include "core/ServerRequest.h"
#include "core/ports/ShellPort.h"
#include "core/ports/UiExecutor.h"
#include "desktop/LoginView.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <mutex>
#include <utility>

namespace kh::desktop {

namespace {

constexpr const char* kHomePage = "/";
constexpr const char* kRegisterPage = "/user_reg.html";

} // namespace

LoginPresenter::LoginPresenter(LoginView& view, UiExecutor* executor) : view(view), executor(executor)
{
    view.SetPresenter(this);
}

LoginPresenter::~LoginPresenter()
{
    view.SetPresenter(nullptr);
}

void LoginPresenter::Attach(ClientSession& owner)
{
    session = &owner;
}

void LoginPresenter::Post(std::function<void()> task)
{
    if (executor != nullptr)
        executor->Post(std::move(task));
    else
        task();
}

void LoginPresenter::ShowLoginTip(std::string message, std::string error, void* context)
{
    auto* presenter = static_cast<LoginPresenter*>(context);
    if (presenter == nullptr)
        return;
    std::u16string text = TipDisplayText(message, error);
    presenter->Post([presenter, text] { presenter->view.ShowTip(text); });
}

void LoginPresenter::SetButtonCaption(const std::u16string& caption)
{
    Post([this, caption] { view.SetSignInCaption(caption); });
}

void LoginPresenter::PostSuccessNotice()
{
    Post([this] { OnSuccessNotice(); });
}

bool LoginPresenter::Run()
{
    return view.RunModal();
}

void LoginPresenter::Terminate()
{
    if (!open)
        return;
    OnCloseRequested();
    // Refused while the sign-in runs: the client is ending, so the dialog ends all the same.
    if (open)
        End(false);
}

void LoginPresenter::OnShown()
{
    open = true;
    // The settings are read when the dialog is first shown, so it may be built before they load.
    if (!loaded && session != nullptr) {
        loaded = true;
        LoadFields();
    }
}

void LoginPresenter::LoadFields()
{
    SettingsValues stored = session->Config().Snapshot();
    view.ShowFields({stored.userName, stored.password, stored.autoRun != 0, stored.savePassword != 0});
}

void LoginPresenter::StoreFields(bool withOptions)
{
    LoginFields fields = view.ReadFields();
    ConfigCenter& config = session->Config();
    config.Update([&](SettingsValues& values) {
        values.userName = fields.user;
        values.password = fields.password;
        if (withOptions) {
            values.autoRun = fields.autoRun ? 1 : 0;
            values.savePassword = fields.savePassword ? 1 : 0;
        }
    });
}

void LoginPresenter::OnSignIn()
{
    if (session == nullptr || succeeded)
        return;
    // The previous tip goes away until the next one arrives.
    view.HideTip();
    StoreFields(false);
    if (!session->IsSigningIn())
        session->StartSignIn();
}

void LoginPresenter::OnSuccessNotice()
{
    if (session == nullptr)
        return;
    succeeded = true;
    // The notice comes just before the sign-in worker ends; the dialog ends once it has.
    if (session->IsSigningIn())
        view.StartTimer(kSuccessPollMs);
    else
        OnTimer();
}

void LoginPresenter::OnTimer()
{
    if (session == nullptr || session->IsSigningIn())
        return;
    view.StopTimer();
    StoreFields(true);
    End(true);
}

void LoginPresenter::OnCloseRequested()
{
    if (session == nullptr || succeeded)
        return;
    if (session->IsSigningIn()) {
        view.ShowTip(kBusyCloseTip);
        return;
    }
    StoreFields(true);
    session->Config().Save();
    End(false);
}

void LoginPresenter::End(bool accepted)
{
    open = false;
    view.End(accepted);
}

void LoginPresenter::OnBannerClicked()
{
    OpenSitePage(kHomePage);
}

void LoginPresenter::OnRegisterClicked()
{
    OpenSitePage(kRegisterPage);
}

void LoginPresenter::OpenSitePage(const char* path)
{
    if (session == nullptr)
        return;
    ShellPort* shell = session->Controls().shell;
    if (shell == nullptr)
        return;
    shell->OpenUrl(AnsiToWide(ServiceUrl(session->Config().GetWebSite(), path)));
}

} // namespace kh::desktop
