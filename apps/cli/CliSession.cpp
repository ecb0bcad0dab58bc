#include "CliSession.h"

#include "Output.h"
#include "app/Dispatcher.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

#include <cstring>

namespace kh::cli {

namespace {

// The windowed client's file name, which the auto-run entry starts.
#ifdef _WIN32
constexpr const char16_t* kWindowProgram = u"borvankh.exe";
#else
constexpr const char16_t* kWindowProgram = u"borvankh";
#endif

// Tips of the settings record and of the sign-in: there is no tips box to show them yet.
void PrintTip(std::string message, std::string error, void*)
{
    PrintErr(TimeStamp() + WideToAnsi(TipDisplayText(message, error)));
}

void DropTip(std::string, std::string, void*) {}

SessionControls TerminalControls(HeadlessControls& controls, const CliOptions& options)
{
    SessionControls plugged = controls.Controls();
    if (options.clipboard != nullptr)
        plugged.clipboard = options.clipboard;
    plugged.settingsTip = options.quiet ? &DropTip : &PrintTip;
    plugged.loginTip = options.quiet ? &DropTip : &PrintTip;
    return plugged;
}

} // namespace

CliSession::CliSession(CliOptions options)
    : session(TerminalControls(controls, options),
              SessionOptions{UpdateManager::kCheckInterval,
                             [this](const char* marker, const std::string& message, const std::string& error) {
                                 OnTip(marker, message, error);
                             }}),
      interruptScope([this] {
          // A stop also ends a request whose reply is still arriving; the sign-in's ends it for
          // good (the command then ends).
          session.Login().stopEvent.Set();
          session.Projects().StopFetching();
          session.UserInfo().StopRefresh();
          session.Sms().StopFetch();
      })
{
    if (options.quiet)
        return;
    controls.tipsView.SetObserver([](const std::u16string& inserted) {
        std::u16string line = inserted;
        if (line.rfind(u"\r\n", 0) == 0)
            line.erase(0, 2);
        PrintErr(VisibleField(line));
    });
    controls.messageBox.SetObserver([](const ShownMessageBox& box) {
        // A box's text may hold the server's line breaks (the news of a version), shown as such.
        std::string text = Utf8(box.text);
        for (size_t crlf = text.find("\r\n"); crlf != std::string::npos; crlf = text.find("\r\n", crlf))
            text.erase(crlf, 1);
        PrintErr(TimeStamp() + "[" + VisibleField(box.caption) + "] " + Visible(text, true) +
                 (box.answer == kIdOk ? " -> 确定" : " -> 取消"));
    });
}

void CliSession::OnTip(const char* marker, const std::string& message, const std::string& error)
{
    std::string text = WideToAnsi(TipDisplayText(message, error));
    std::lock_guard<std::mutex> guard(tipMutex);
    if (std::strcmp(marker, "LoginCtrl.") == 0)
        lastLoginTip = text;
    else if (std::strcmp(marker, "PhoneNumManager.") == 0)
        lastNumberTip = text;
}

void CliSession::Load()
{
    session.LoadSettings();
    ConfigCenter& config = session.Config();
    config.SetAutoRunEntryManaged(false);
    // An auto-run entry names the windowed client beside this program, never the terminal one,
    // by its full path as the system writes it (on Windows with backslashes and ".exe").
    std::u16string directory = config.ExecutableDirectory();
    config.SetExecutableLocation(directory, directory + static_cast<char16_t>(kPathSeparator) + kWindowProgram);
}

bool CliSession::SignIn(std::string& failure)
{
    session.StartSignIn();
    if (session.WaitForSignIn(std::chrono::hours(24)))
        return true;
    std::lock_guard<std::mutex> guard(tipMutex);
    failure = lastLoginTip.empty() ? "登录失败！" : lastLoginTip;
    return false;
}

bool CliSession::Open(int& status)
{
    Load();
    SettingsValues settings = session.Config().Snapshot();
    bool hasCredentials = !settings.userName.empty() && !settings.password.empty();
    if (!hasCredentials) {
        status = Fail("no user name or password stored; use \"borvankh-cli set user NAME\" and "
                      "\"borvankh-cli set password\"");
        return false;
    }
    std::string failure;
    if (!SignIn(failure)) {
        status = Interrupted() ? kExitInterrupted : Fail(failure);
        return false;
    }
    if (!session.Start(false)) {
        status = Fail("the command worker could not be started");
        return false;
    }
    session.RunCommand(kCmdAddTrayIcon);
    return true;
}

bool CliSession::FetchProjects()
{
    session.RunCommand(kCmdFetchProjects);
    return ClientSession::WaitForIdle(session.Projects(), kStepDeadline) && !Interrupted() &&
           session.Projects().Fetched();
}

void CliSession::Close()
{
    if (!session.IsRunning())
        return;
    controls.messageBox.QueueAnswer(kIdOk);
    session.Shutdown();
}

std::string CliSession::LastNumberTip()
{
    std::lock_guard<std::mutex> guard(tipMutex);
    return lastNumberTip;
}

} // namespace kh::cli
