// projects and account: sign in, run the start-up command that fills the project box or the
// status bar, print what it shows, and close as the window would.

#include "CliSession.h"
#include "ComboText.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "app/Dispatcher.h"
#include "platform/TextCodec.h"

namespace kh::cli {

namespace {

const char* kProjectsHelp = R"(usage: borvankh-cli projects [--search WORD]

Signs in with the stored user and password, fetches the projects and prints the project box:
its count line, then one "pid：name" line per project (the favourites when the account has some).
--search WORD shows the projects whose name contains WORD instead.
)";

const char* kAccountHelp = R"(usage: borvankh-cli account

Signs in and prints the six account figures: user name, balance, numbers available, level,
discount and score.
)";

} // namespace

int CommandProjects(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kProjectsHelp);
        return kExitOk;
    }
    std::string keyword;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--search" && i + 1 < args.size())
            keyword = args[++i];
        else
            return Usage("unexpected argument \"" + args[i] + "\"", kProjectsHelp);
    }
    CliSession cli;
    int status = kExitOk;
    if (!cli.Open(status))
        return status;
    HeadlessControls& controls = cli.Controls();
    bool fetched = cli.FetchProjects();
    if (fetched && !keyword.empty()) {
        controls.searchBox.SetWindowText(AnsiToWide(keyword));
        cli.Session().RunCommand(kCmdSearchProjects);
    }
    if (fetched)
        for (const std::u16string& item : ComboItems(controls.projectCombo))
            PrintOut(VisibleField(item));
    cli.Close();
    return fetched ? kExitOk : Fail("the project list could not be fetched");
}

int CommandAccount(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kAccountHelp);
        return kExitOk;
    }
    if (!args.empty())
        return Usage("account takes no arguments", kAccountHelp);
    CliSession cli;
    int status = kExitOk;
    if (!cli.Open(status))
        return status;
    ClientSession& session = cli.Session();
    HeadlessStatusBar& statusBar = cli.Controls().statusBar;
    session.RunCommand(kCmdRefreshUserInfo);
    bool done = ClientSession::WaitForIdle(session.UserInfo(), kStepDeadline);
    bool shown = done && !statusBar.PaneText(0).empty();
    if (shown)
        for (int i = 0; i < StatusBarPort::kPaneCount; ++i)
            PrintOut(VisibleField(statusBar.PaneText(i)));
    cli.Close();
    return shown ? kExitOk : Fail("the account figures could not be fetched");
}

} // namespace kh::cli
