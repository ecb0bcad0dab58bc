#include "ui/DesktopApp.h"

#include "app/ClientSession.h"
#include "app/TipsBox.h"
#include "core/ports/LoginDialogPort.h"
#include "platform/TextCodec.h"
#include "ui/GuiThread.h"
#include "ui/LoginDialog.h"
#include "ui/MainWindow.h"
#include "ui/SettingsCentre.h"

#include <QApplication>
#include <QEventLoop>
#include <QSessionManager>
#include <QTimer>
#include <cstdio>

namespace kh::ui {

namespace {

// How long a forced shutdown may take (stopping the managers, releasing the numbers) before the
// client ends regardless.
constexpr int kForcedShutdownMs = 60000;

} // namespace

// The session needs the login dialog's port when it is built, and the dialog needs the session:
// the relay stands in for the dialog until it exists. The sign-in only starts from the dialog, so
// the relay always has it by then.
class LoginRelay final : public LoginDialogPort
{
public:
    void SetButtonCaption(const std::u16string& caption) override
    {
        if (dialog != nullptr)
            dialog->SetButtonCaption(caption);
    }
    void PostSuccessNotice() override
    {
        if (dialog != nullptr)
            dialog->PostSuccessNotice();
    }
    static void Tip(std::string message, std::string error, void* context)
    {
        auto* relay = static_cast<LoginRelay*>(context);
        if (relay != nullptr && relay->dialog != nullptr)
            LoginDialog::ShowLoginTip(std::move(message), std::move(error), relay->dialog);
    }

    LoginDialog* dialog = nullptr;
};

DesktopApp::DesktopApp() : window(std::make_unique<MainWindow>()), relay(std::make_unique<LoginRelay>())
{
    SessionControls controls = window->Controls();
    controls.loginDialog = relay.get();
    controls.loginTip = &LoginRelay::Tip;
    controls.loginTipContext = relay.get();
    controls.settingsTip = &DesktopApp::SettingsTip;
    controls.settingsTipContext = this;
    session = std::make_unique<ClientSession>(controls);
    window->Attach(*session);

    settingsCentre = std::make_unique<SettingsCentre>(session->Config(), window.get());
    session->Owner().settingsCentre = settingsCentre.get();
    login = std::make_unique<LoginDialog>(*session);
    relay->dialog = login.get();

    connect(qApp, &QGuiApplication::commitDataRequest, this, &DesktopApp::CommitData, Qt::DirectConnection);
}

DesktopApp::~DesktopApp()
{
    End();
    // The dialogs go before the window that owns the settings centre.
    login.reset();
    settingsCentre.reset();
    session.reset();
}

void DesktopApp::SettingsTip(std::string message, std::string error, void* context)
{
    auto* app = static_cast<DesktopApp*>(context);
    {
        std::lock_guard<std::mutex> guard(app->tipMutex);
        if (!app->tipsShown) {
            std::fprintf(stderr, "borvankh: %s\n", WideToAnsi(TipDisplayText(message, error)).c_str());
            app->heldTips.emplace_back(std::move(message), std::move(error));
            return;
        }
    }
    ShowTip(std::move(message), std::move(error), &app->session->Owner());
}

void DesktopApp::LoadSettings()
{
    session->LoadSettings();
    window->ShowSettings();
}

bool DesktopApp::SignIn()
{
    return login->exec() == QDialog::Accepted;
}

bool DesktopApp::Start()
{
    if (started || !session->Start())
        return false;
    started = true;
    std::vector<std::pair<std::string, std::string>> held;
    {
        std::lock_guard<std::mutex> guard(tipMutex);
        tipsShown = true;
        held.swap(heldTips);
    }
    for (auto& [message, error] : held)
        ShowTip(message, error, &session->Owner());
    window->show();
    return true;
}

void DesktopApp::WaitForClose()
{
    if (!started)
        return;
    if (!window->IsClosed()) {
        // The application's own loop: a quit from outside (the desktop's session ending) leaves it
        // as the close notice does, and afterwards the GUI can still be served below.
        QMetaObject::Connection quitOnClose =
            connect(window.get(), &MainWindow::closeNoticeArrived, qApp, &QCoreApplication::quit);
        qApp->exec();
        disconnect(quitOnClose);
    }
    // Told to quit without the close notice: shut down without asking.
    if (!window->IsClosed()) {
        window->ForceShutdown();
        WaitForCloseNotice(kForcedShutdownMs);
    }
}

bool DesktopApp::WaitForCloseNotice(int milliseconds)
{
    QEventLoop loop;
    connect(window.get(), &MainWindow::closeNoticeArrived, &loop, &QEventLoop::quit);
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    if (!window->IsClosed())
        loop.exec();
    return window->IsClosed();
}

void DesktopApp::End()
{
    if (ended)
        return;
    ended = true;
    // Workers blocked in a port call are let go first, so that waiting for them cannot hang.
    window->Detach();
    session->StopAndWait();
}

void DesktopApp::Terminate()
{
    if (!started) {
        // Still at the login dialog: close it as the close box does (it saves the settings), or at
        // once when a sign-in runs.
        if (login->isVisible()) {
            login->reject();
            if (login->isVisible())
                login->done(QDialog::Rejected);
        }
        return;
    }
    window->ForceShutdown();
}

void DesktopApp::CommitData(QSessionManager& manager)
{
    Q_UNUSED(manager);
    // The desktop waits for this handler before it logs the user out: the numbers are settled and
    // the tip log written before it returns.
    Terminate();
    if (started)
        WaitForCloseNotice(kForcedShutdownMs);
}

int DesktopApp::Run()
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

} // namespace kh::ui
