// get: sign in, rent numbers for one project, print every row of the number list as it changes
// while the SMS are fetched, and close as the window would once every number is settled (or on
// Ctrl-C), which gives back the unused numbers and blacklists the marked ones. Optionally each new
// code goes to the desktop's clipboard, only "number<TAB>code" lines are printed, and the list is
// exported to a CSV file at the end.

#include "CliSession.h"
#include "ComboText.h"
#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "SystemClipboard.h"
#include "app/Dispatcher.h"
#include "numbers/NumberBatch.h"
#include "platform/TextCodec.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>

namespace kh::cli {

namespace {

const char* kGetHelp = R"(usage: borvankh-cli get --project PID [--count N] [--province P] [--carrier C]
                        [--copy] [--quiet] [--csv FILE]

Signs in, rents N numbers (default 1) for the project PID (a project of the project box, or a word
of a project's name), fetches their SMS automatically and prints each row as it changes:
number, SMS and code, separated by tabs. When every number has reached a final state (or on
Ctrl-C) it closes as the windowed client does: unused numbers are given back, marked ones
blacklisted, and the tips are saved to the tip log. --province and --carrier take the entries of
the province and carrier boxes ("不限" for any).

  --copy       puts each new code on the desktop's clipboard as it arrives (needs an X display,
               DISPLAY, and xclip); it stays there after the run until something else is copied
  --quiet, -q  prints only "number<TAB>code" lines, one for each code as it arrives, and no tips;
               failures are still told on stderr
  --csv FILE   at the end of the run (also when interrupted) writes the number list to FILE as
               CSV: UTF-8 with a byte-order mark, the list's five columns and the time each SMS
               arrived; fields a spreadsheet would run as a formula start with '

Exit status: 0 when every rented number got its code (or its SMS, with code extraction off);
3 when the run ended with at least one number without one (no SMS in time, a reply that could not
be read, no code found in the SMS); 1 for a failure before numbers were rented (sign-in, project
list, unknown project, no number rented), for --copy without a display, and when the --csv file
could not be written; 2 bad command line; 130 interrupted.
)";

// The code cell of a number whose SMS came but held no code the extraction could find, and of one
// whose SMS was not searched (extraction off).
const std::u16string kCodeNotFound = u"提取失败";
const std::u16string kCodeNotExtracted = u"未提取";

bool IsCode(const std::u16string& cell)
{
    return !cell.empty() && cell != kCodeNotFound && cell != kCodeNotExtracted;
}

// Prints a row of the number list (number, SMS, code) whenever its SMS or code differs from what
// was printed for that number last; quiet, only "number<TAB>code" once a number's code is in.
// Called by the list view's observer on whichever thread changed the list, and once more at the end.
class RowPrinter final
{
public:
    explicit RowPrinter(bool quiet) : quiet(quiet) {}

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
            bool seen = found != printed.end();
            // Quiet, a number is printed once, when its code is in; otherwise at every change.
            if (quiet ? !IsCode(cells.second) || seen : seen && found->second == cells)
                continue;
            printed[number] = cells;
            if (quiet)
                PrintOut(VisibleField(number) + "\t" + VisibleField(cells.second));
            else
                PrintOut(VisibleField(number) + "\t" + (cells.first.empty() ? "-" : VisibleField(cells.first)) + "\t" +
                         (cells.second.empty() ? "-" : VisibleField(cells.second)));
        }
    }

private:
    using Cells = std::pair<std::u16string, std::u16string>;
    const bool quiet;
    std::mutex mutex;
    std::map<std::u16string, Cells> printed;
};

// True when every number of the batch received its SMS and, with extraction on, a code was found in it.
// The code cell is read from the list, which holds the same text the user sees.
bool EveryNumberHasItsCode(const NumberBatch& batch, ListViewPort& list)
{
    std::map<std::u16string, std::u16string> codes;
    int count = list.GetItemCount();
    for (int row = 0; row < count; ++row)
        codes[list.GetItemText(row, kColumnNumber)] = list.GetItemText(row, kColumnCode);
    for (const NumberRecord& record : batch.Records()) {
        if (record.size() <= kFieldMobile || record[kFieldMobile].empty())
            return false;
        const std::u16string& number = record[kFieldMobile];
        auto code = codes.find(number);
        if (!batch.IsReceived(number) || code == codes.end() || code->second.empty() || code->second == kCodeNotFound)
            return false;
    }
    return true;
}

// Whether the CSV file can be written where it is named: its folder exists and the name is not a
// folder. Checked before numbers are rented, so that a typing error does not waste them.
bool CheckCsvTarget(const std::string& file, std::string& problem)
{
    std::error_code error;
    std::filesystem::path path(file);
    if (file.empty() || std::filesystem::is_directory(path, error)) {
        problem = "--csv takes a file name, not a folder";
        return false;
    }
    std::filesystem::path folder = path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path();
    if (!std::filesystem::is_directory(folder, error)) {
        problem = "--csv: the folder " + folder.string() + " does not exist";
        return false;
    }
    return true;
}

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
            problem += "\n  " + VisibleField(items[i]);
        return -1;
    }
    controls.projectCombo.SetCurSel(index);
    session.RunCommand(kCmdShowProjectInfo, index - 1);
    return index;
}

// The command line of get.
struct GetOptions
{
    std::string project;
    std::string count = "1";
    std::string province = "不限";
    std::string carrier = "不限";
    bool csv = false;
    std::string csvFile;
    bool copy = false;
    bool quiet = false;
};

// Reads the command line. False, with status the exit status (help shown, or a usage error), when
// the command ends here.
bool ReadGetOptions(const std::vector<std::string>& args, GetOptions& options, int& status)
{
    if (WantsHelp(args)) {
        PrintOut(kGetHelp);
        status = kExitOk;
        return false;
    }
    for (size_t i = 0; i < args.size(); ++i) {
        bool hasValue = i + 1 < args.size();
        if (args[i] == "--project" && hasValue)
            options.project = args[++i];
        else if (args[i] == "--count" && hasValue)
            options.count = args[++i];
        else if (args[i] == "--province" && hasValue)
            options.province = args[++i];
        else if (args[i] == "--carrier" && hasValue)
            options.carrier = args[++i];
        else if (args[i] == "--csv" && hasValue)
            options.csvFile = args[++i];
        else if (args[i] == "--copy")
            options.copy = true;
        else if (args[i] == "--quiet" || args[i] == "-q")
            options.quiet = true;
        else {
            status = Usage("unexpected argument \"" + args[i] + "\"", kGetHelp);
            return false;
        }
    }
    if (options.project.empty()) {
        status = Usage("get needs --project PID", kGetHelp);
        return false;
    }
    uint32_t countValue = 0;
    if (!ParseDecimal32(options.count, countValue) || countValue == 0) {
        status = Usage("--count takes a whole number above 0", kGetHelp);
        return false;
    }
    std::string problem;
    options.csv = std::find(args.begin(), args.end(), "--csv") != args.end();
    if (options.csv && !CheckCsvTarget(options.csvFile, problem)) {
        status = Usage(problem, kGetHelp);
        return false;
    }
    return true;
}

// The fetch runs automatically, and codes are copied only with --copy, for this run only: the
// stored choices are put back (Restore) before the shutdown command saves the settings.
class RunOnlySettings final
{
public:
    RunOnlySettings(ConfigCenter& config, bool copy) : config(config)
    {
        config.Update([&](SettingsValues& values) {
            storedAutoGetSms = values.autoGetSms;
            storedAutoCopyCode = values.autoCopyCode;
            values.autoGetSms = 1;
            values.autoCopyCode = copy ? 1 : 0;
        });
    }

    void Restore()
    {
        config.Update([this](SettingsValues& values) {
            values.autoGetSms = storedAutoGetSms;
            values.autoCopyCode = storedAutoCopyCode;
        });
    }

private:
    ConfigCenter& config;
    uint32_t storedAutoGetSms = 0;
    uint32_t storedAutoCopyCode = 0;
};

// Sets up the boxes as the window's start does and chooses the project, province, carrier and
// count as the user would. kExitOk when all are chosen, else the exit status.
int ChooseWhatToRent(CliSession& cli, const GetOptions& options)
{
    ClientSession& session = cli.Session();
    HeadlessControls& controls = cli.Controls();
    session.RunCommand(kCmdSetupChoices);
    session.RunCommand(kCmdSetupList);
    session.RunCommand(kCmdApplyWindowTop);
    session.Push(kCmdVersionCheck);
    if (!cli.FetchProjects())
        return Interrupted() ? kExitInterrupted : Fail("the project list could not be fetched");
    std::string problem;
    if (ChooseProject(cli, AnsiToWide(options.project), problem) < 0)
        return Fail(problem);
    if (!SelectEntry(controls.provinceCombo, AnsiToWide(options.province)))
        return Usage("unknown province \"" + options.province + "\"; one of: " + JoinEntries(controls.provinceCombo),
                     kGetHelp);
    if (!SelectEntry(controls.carrierCombo, AnsiToWide(options.carrier)))
        return Usage("unknown carrier \"" + options.carrier + "\"; one of: " + JoinEntries(controls.carrierCombo),
                     kGetHelp);
    controls.countBox.SetWindowText(AnsiToWide(options.count));
    return kExitOk;
}

// Rents the numbers, then prints every row as it changes until the fetch has ended for every
// number (an interrupt stops it). The exit status of the run.
int RentAndWatch(CliSession& cli, RowPrinter& printer)
{
    ClientSession& session = cli.Session();
    HeadlessControls& controls = cli.Controls();
    session.RunCommand(kCmdGetNumbers);
    // A number job cannot be stopped; an interrupt ends the command right after it.
    ClientSession::WaitForIdle(session.Numbers());
    if (Interrupted())
        return kExitInterrupted;
    if (session.Numbers().Batch().Records().empty())
        return Fail(cli.LastNumberTip());

    controls.listView.SetObserver([&printer, &controls] { printer.Update(controls.listView); });
    printer.Update(controls.listView);
    ClientSession::WaitForIdle(session.Sms());
    printer.Update(controls.listView);
    if (Interrupted())
        return kExitInterrupted;
    return EveryNumberHasItsCode(session.Numbers().Batch(), controls.listView) ? kExitOk : kExitNoCode;
}

// Ends the run: the list as the run left it goes to the CSV file (only a run that rented numbers
// has one), before the shutdown settles the numbers; the stored settings are put back and the
// session closed. The exit status, code unless the CSV file could not be written.
int FinishGet(CliSession& cli, const GetOptions& options, RunOnlySettings& settings, int code)
{
    ClientSession& session = cli.Session();
    cli.Controls().listView.SetObserver(nullptr);
    if (options.csv && !session.Numbers().Batch().Records().empty()) {
        std::string reason;
        size_t rows = 0;
        if (!session.Exporter().Export(options.csvFile, reason, rows))
            code = Fail("the number list could not be written to " + options.csvFile + ": " + reason);
    }
    settings.Restore();
    cli.Close();
    return code;
}

} // namespace

int CommandGet(const std::vector<std::string>& args)
{
    GetOptions options;
    int status = kExitOk;
    if (!ReadGetOptions(args, options, status))
        return status;
    // Outlives the session, whose workers use it until they have ended.
    SystemClipboard systemClipboard;
    std::string problem;
    if (options.copy && !systemClipboard.Prepare(problem))
        return Fail(problem);

    // Outlives the session, whose workers call it until they have ended.
    RowPrinter printer(options.quiet);
    CliSession cli(CliOptions{options.copy ? &systemClipboard : nullptr, options.quiet});
    if (!cli.Open(status))
        return status;
    RunOnlySettings settings(cli.Session().Config(), options.copy);
    status = ChooseWhatToRent(cli, options);
    if (status == kExitOk)
        status = RentAndWatch(cli, printer);
    return FinishGet(cli, options, settings, status);
}

} // namespace kh::cli
