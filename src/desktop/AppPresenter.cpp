#include "desktop/AppPresenter.h"

#include "app/TipsBox.h"
#include "core/ports/UiExecutor.h"
#include "platform/TextCodec.h"

#include <cstdio>

namespace kh::desktop {

AppPresenter::AppPresenter(MainView& mainView, LoginView& loginView, SettingsView& settingsView,
                           SessionControls controls, SessionOptions options)
    : AppPresenter(loginView, controls, std::move(options))
{
    AttachWindow(mainView, settingsView, controls);
}

AppPresenter::AppPresenter(LoginView& loginView, SessionControls early, SessionOptions options)
    : executor(early.executor), login(loginView, early.executor), session(WithDialogs(early), std::move(options))
{
    login.Attach(session);
}

void AppPresenter::AttachWindow(MainView& mainView, SettingsView& settingsView, SessionControls controls)
{
    if (main != nullptr || ended)
        return;
    SessionControls attached = WithDialogs(controls);
    attached.settingsCentre = &settingsView;
    session.AttachControls(attached);
    main = std::make_unique<MainPresenter>(mainView, session);
    settings = std::make_unique<SettingsPresenter>(settingsView, session.Config());
    if (settingsLoaded)
        main->ShowSettings();
}

AppPresenter::~AppPresenter()
{
    End();
}

SessionControls AppPresenter::WithDialogs(SessionControls controls)
{
    controls.loginDialog = &login;
    controls.loginTip = &LoginPresenter::ShowLoginTip;
    controls.loginTipContext = &login;
    controls.settingsTip = &AppPresenter::SettingsTip;
    controls.settingsTipContext = this;
    return controls;
}

void AppPresenter::SettingsTip(std::string message, std::string error, void* context)
{
    auto* app = static_cast<AppPresenter*>(context);
    {
        std::lock_guard<std::mutex> guard(app->tipMutex);
        if (!app->tipsShown) {
            std::fprintf(stderr, "borvankh: %s\n", WideToAnsi(TipDisplayText(message, error)).c_str());
            app->heldTips.emplace_back(std::move(message), std::move(error));
            return;
        }
    }
    ShowTip(std::move(message), std::move(error), &app->session.Owner());
}

int AppPresenter::Run()
{
    LoadSettings();
    if (!SignIn())
        return 0;
    if (!Start())
        return 1;
    WaitForClose();
    End();
    return 0;
}

void AppPresenter::LoadSettings()
{
    session.LoadSettings();
    settingsLoaded = true;
    if (main != nullptr)
        main->ShowSettings();
}

bool AppPresenter::SignIn()
{
    return login.Run();
}

bool AppPresenter::Start()
{
    if (started || ended || main == nullptr || !session.Start())
        return false;
    started = true;
    std::vector<std::pair<std::string, std::string>> held;
    {
        std::lock_guard<std::mutex> guard(tipMutex);
        tipsShown = true;
        held.swap(heldTips);
    }
    for (auto& [message, error] : held)
        ShowTip(message, error, &session.Owner());
    main->ShowWindow();
    return true;
}

void AppPresenter::WaitForClose()
{
    if (!started)
        return;
    main->RunUntilClosed();
    // The system ended the application without the close notice: shut down without asking.
    if (!main->IsClosed()) {
        main->ForceShutdown();
        main->WaitForCloseNotice(kForcedShutdownMs);
    }
}

void AppPresenter::End()
{
    if (ended)
        return;
    ended = true;
    // Workers blocked in a port call are let go first, so that waiting for them cannot hang.
    if (main != nullptr)
        main->Detach();
    session.StopAndWait();
}

void AppPresenter::Terminate()
{
    if (ended)
        return;
    if (!started) {
        login.Terminate();
        return;
    }
    main->ForceShutdown();
}

void AppPresenter::RequestTerminate()
{
    if (executor != nullptr)
        executor->Post([this] { Terminate(); });
    else
        Terminate();
}

void AppPresenter::EndOfDesktopSession()
{
    Terminate();
    if (started && !ended)
        main->WaitForCloseNotice(kForcedShutdownMs);
}

} // namespace kh::desktop
