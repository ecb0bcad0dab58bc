// get: sign in, rent numbers for one project, print every row of the number list as it changes
// while the SMS are fetched, and close as the window would once every number is settled (or on
// Ctrl-C), which gives back the unused numbers and blacklists the marked ones.

#include "CliSession.h"
#include "ComboText.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "app/Dispatcher.h"
#include "platform/TextCodec.h"

#include <map>
#include <mutex>
#include <utility>

namespace kh::cli {

namespace {

const char* kGetHelp = R"(usage: borvankh-cli get --project PID [--count N] [--province P] [--carrier C]

Signs in, rents N numbers (default 1) for the project PID (a project of the project box, or a word
of a project's name), fetches their SMS automatically and prints each row as it changes:
number, SMS and code, separated by tabs. When every number has reached a final state (or on
Ctrl-C) it closes as the windowed client does: unused numbers are given back, marked ones
blacklisted, and the tips are saved to the tip log. --province and --carrier take the entries of
the province and carrier boxes ("不限" for any).
)";

// Prints a row of the number list (number, SMS, code) whenever its SMS or code differs from what
// was printed for that number last. Called by the list view's observer on whichever thread changed
// the list, and once more at the end.
class RowPrinter final
{
public:
    void Update(ListViewPort& list)
    {
        std::lock_guard<std::mutex> guard(mutex);
        // A row being moved up exists twice for a moment: first the copy, filled cell by cell, then
        // the original, removed last. The later row of a number is the one to read.
        std::vector<std::u16string> order;
        std::map<std::u16string, Cells> rows;
        int count = list.GetItemCount();
        for (int row = 0; row < count; ++row) {
            std::u16string number = list.GetItemText(row, kColumnNumber);
            if (number.empty())
                continue;
            if (rows.find(number) == rows.end())
                order.push_back(number);
            rows[number] = {list.GetItemText(row, kColumnSms), list.GetItemText(row, kColumnCode)};
        }
        for (const std::u16string& number : order) {
            const Cells& cells = rows[number];
            auto found = printed.find(number);
            if (found != printed.end() && found->second == cells)
                continue;
            printed[number] = cells;
            PrintOut(Utf8(number) + "\t" + (cells.first.empty() ? "-" : Utf8(cells.first)) + "\t" +
                     (cells.second.empty() ? "-" : Utf8(cells.second)));
        }
    }

private:
    using Cells = std::pair<std::u16string, std::u16string>;
    std::mutex mutex;
    std::map<std::u16string, Cells> printed;
};

// The combo index of the project whose item starts with "pid：", or -1.
int FindProject(ComboBoxPort& combo, const std::u16string& pid)
{
    std::vector<std::u16string> items = ComboItems(combo);
    for (size_t i = 1; i < items.size(); ++i)
        if (items[i].rfind(pid + u"：", 0) == 0)
            return static_cast<int>(i);
    return -1;
}

// Chooses the project as the user would in the project box: among the items shown after the
// fetch, else among the projects whose name contains the word. -1 when there is no single match.
int ChooseProject(CliSession& cli, const std::u16string& wanted, std::string& problem)
{
    HeadlessControls& controls = cli.Controls();
    ClientSession& session = cli.Session();
    int index = FindProject(controls.projectCombo, wanted);
    if (index < 0) {
        controls.searchBox.SetWindowText(wanted);
        session.RunCommand(kCmdSearchProjects);
        index = FindProject(controls.projectCombo, wanted);
        if (index < 0 && controls.projectCombo.GetCount() == 2)
            index = 1;
    }
    if (index < 0) {
        problem = "no single project matches \"" + Utf8(wanted) + "\"";
        std::vector<std::u16string> items = ComboItems(controls.projectCombo);
        for (size_t i = 1; i < items.size(); ++i)
            problem += "\n  " + Utf8(items[i]);
        return -1;
    }
    controls.projectCombo.SetCurSel(index);
    session.RunCommand(kCmdShowProjectInfo, index - 1);
    return index;
}

} // namespace

int CommandGet(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kGetHelp);
        return kExitOk;
    }
    std::string project;
    std::string count = "1";
    std::string province = "不限";
    std::string carrier = "不限";
    for (size_t i = 0; i < args.size(); ++i) {
        bool hasValue = i + 1 < args.size();
        if (args[i] == "--project" && hasValue)
            project = args[++i];
        else if (args[i] == "--count" && hasValue)
            count = args[++i];
        else if (args[i] == "--province" && hasValue)
            province = args[++i];
        else if (args[i] == "--carrier" && hasValue)
            carrier = args[++i];
        else
            return Usage("unexpected argument \"" + args[i] + "\"", kGetHelp);
    }
    if (project.empty())
        return Usage("get needs --project PID", kGetHelp);
    uint32_t countValue = 0;
    if (!ParseDecimal32(count, countValue) || countValue == 0)
        return Usage("--count takes a whole number above 0", kGetHelp);

    // Outlives the session, whose workers call it until they have ended.
    RowPrinter printer;
    CliSession cli;
    int status = kExitOk;
    if (!cli.Open(status))
        return status;
    ClientSession& session = cli.Session();
    HeadlessControls& controls = cli.Controls();
    ConfigCenter& config = session.Config();
    // The fetch runs automatically for this run only; the stored choice is put back before the
    // shutdown command saves the settings.
    uint32_t storedAutoGetSms;
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        storedAutoGetSms = config.autoGetSms;
        config.autoGetSms = 1;
    }
    auto finish = [&](int code) {
        controls.listView.SetObserver(nullptr);
        {
            std::lock_guard<CriticalSection> guard(config.SettingsLock());
            config.autoGetSms = storedAutoGetSms;
        }
        cli.Close();
        return code;
    };

    session.RunCommand(kCmdSetupChoices);
    session.RunCommand(kCmdSetupList);
    session.RunCommand(kCmdApplyWindowTop);
    session.Push(kCmdVersionCheck);
    if (!cli.FetchProjects())
        return finish(Interrupted() ? kExitInterrupted : Fail("the project list could not be fetched"));
    std::string problem;
    if (ChooseProject(cli, AnsiToWide(project), problem) < 0)
        return finish(Fail(problem));
    if (!SelectEntry(controls.provinceCombo, AnsiToWide(province)))
        return finish(
            Usage("unknown province \"" + province + "\"; one of: " + JoinEntries(controls.provinceCombo), kGetHelp));
    if (!SelectEntry(controls.carrierCombo, AnsiToWide(carrier)))
        return finish(
            Usage("unknown carrier \"" + carrier + "\"; one of: " + JoinEntries(controls.carrierCombo), kGetHelp));
    controls.countBox.SetWindowText(AnsiToWide(count));

    session.RunCommand(kCmdGetNumbers);
    // A number job cannot be stopped; an interrupt ends the command right after it.
    ClientSession::WaitForIdle(session.Numbers());
    if (Interrupted())
        return finish(kExitInterrupted);
    if (session.Numbers().Batch().Records().empty())
        return finish(Fail(cli.LastNumberTip()));

    // Every row as it changes, until the fetch has ended for every number (an interrupt stops it).
    controls.listView.SetObserver([&printer, &controls] { printer.Update(controls.listView); });
    printer.Update(controls.listView);
    ClientSession::WaitForIdle(session.Sms());
    printer.Update(controls.listView);
    return finish(Interrupted() ? kExitInterrupted : kExitOk);
}

} // namespace kh::cli
