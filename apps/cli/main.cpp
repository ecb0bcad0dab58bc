// borvankh-cli: the terminal front end of the client. It builds the same managers, in-memory
// controls, command queue and dispatcher the main window builds, pushes commands as the window's
// handlers would, prints what the controls show, and uses the settings store the Qt client uses.
// Tips go to stderr with their time stamps; results (projects, figures, numbers and codes) go to
// stdout.

#include "core/CommandQueue.h"
#include "app/Dispatcher.h"
#include "account/LoginCtrl.h"
#include "core/OwnerWindow.h"
#include "app/TipsBox.h"
#include "account/UpdateManager.h"
#include "account/UserInfoManager.h"
#include "headless/HeadlessCheckBox.h"
#include "headless/HeadlessClipboard.h"
#include "headless/HeadlessComboBox.h"
#include "headless/HeadlessListView.h"
#include "headless/HeadlessLoginDialog.h"
#include "headless/HeadlessMainWindow.h"
#include "headless/HeadlessMessageBox.h"
#include "headless/HeadlessSettingsCentre.h"
#include "headless/HeadlessShell.h"
#include "headless/HeadlessStatusBar.h"
#include "headless/HeadlessTextBox.h"
#include "headless/HeadlessTipsView.h"
#include "headless/HeadlessToolBar.h"
#include "headless/HeadlessTrayIcon.h"
#include "numbers/PhoneNumManager.h"
#include "numbers/SMSManager.h"
#include "platform/TextCodec.h"
#include "projects/PhoneSMSListCtrl.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace kh;
using Clock = std::chrono::steady_clock;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// How long a start-up step (project list, account figures) may keep retrying before the client
// gives up; the managers themselves retry without limit.
constexpr std::chrono::seconds kStepDeadline{60};

std::atomic<bool> interrupted{false};
std::mutex outputMutex;

void OnInterrupt(int)
{
    if (interrupted.exchange(true))
        std::_Exit(130); // a second Ctrl-C does not wait for the shutdown
}

std::string TimeStamp()
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    size_t n = std::strftime(buffer, sizeof buffer, "[%m-%d] [%H:%M:%S] ", &local);
    return std::string(buffer, n);
}

void PrintErr(const std::string& line)
{
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

void PrintOut(const std::string& line)
{
    std::lock_guard<std::mutex> guard(outputMutex);
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

std::string Utf8(const std::u16string& text)
{
    return WideToUtf8(text);
}

// Tips of the settings record before the tips box exists.
void PrintTip(std::string message, std::string error, void*)
{
    PrintErr(TimeStamp() + WideToAnsi(TipDisplayText(message, error)));
}

// ---------------------------------------------------------------------------------------------
// Settings by their stored names.

struct SettingInfo
{
    const char* name;
    const char* alias;
    enum Kind
    {
        Text,
        Number,
        Host,
        Secret,
    } kind;
    std::function<std::string(ConfigCenter&)> get;
    std::function<void(ConfigCenter&, const std::string&)> set;
};

template <std::u16string SettingsValues::*member>
SettingInfo WideSetting(const char* name, const char* alias, SettingInfo::Kind kind = SettingInfo::Text)
{
    return {name, alias, kind, [](ConfigCenter& c) { return WideToAnsi(c.*member); },
            [](ConfigCenter& c, const std::string& v) { c.*member = AnsiToWide(v); }};
}

template <uint32_t SettingsValues::*member> SettingInfo NumberSetting(const char* name, const char* alias = nullptr)
{
    return {name, alias, SettingInfo::Number, [](ConfigCenter& c) { return std::to_string(c.*member); },
            [](ConfigCenter& c, const std::string& v) { c.*member = static_cast<uint32_t>(std::stoul(v)); }};
}

template <std::string SettingsValues::*member> SettingInfo HostSetting(const char* name, const char* alias)
{
    return {name, alias, SettingInfo::Host, [](ConfigCenter& c) { return c.*member; },
            [](ConfigCenter& c, const std::string& v) { c.*member = v; }};
}

const std::vector<SettingInfo>& Settings()
{
    static const std::vector<SettingInfo> settings = {
        WideSetting<&ConfigCenter::userName>("LoginConfig_User", "user"),
        WideSetting<&ConfigCenter::password>("LoginConfig_Pwd", "password", SettingInfo::Secret),
        NumberSetting<&ConfigCenter::autoRun>("StartupConfig_AutoRun"),
        NumberSetting<&ConfigCenter::savePassword>("StartupConfig_SavePwd"),
        NumberSetting<&ConfigCenter::autoGetSms>("GetSMSConfig_AutoGetSMS"),
        NumberSetting<&ConfigCenter::autoExtractCode>("GetSMSConfig_AutoExtractVCode"),
        NumberSetting<&ConfigCenter::listAutoSort>("GetSMSConfig_ListAutoSort"),
        NumberSetting<&ConfigCenter::spaceTime>("GetSMSConfig_SpaceTime"),
        NumberSetting<&ConfigCenter::timeoutTime>("GetSMSConfig_TimeoutTime"),
        NumberSetting<&ConfigCenter::extractMode>("ExtractRuleConfig_ExtractMode"),
        WideSetting<&ConfigCenter::keywordHead>("ExtractRuleConfig_KeywordHead", nullptr),
        WideSetting<&ConfigCenter::keywordTail>("ExtractRuleConfig_KeywordTail", nullptr),
        NumberSetting<&ConfigCenter::codeLength>("ExtractRuleConfig_VCodeLen"),
        NumberSetting<&ConfigCenter::windowTop>("OtherConfig_WindowTop"),
        HostSetting<&ConfigCenter::apiHost>("ServerConfig_ApiHost", "api-host"),
        HostSetting<&ConfigCenter::servicesHost>("ServerConfig_ServicesHost", "services-host"),
        HostSetting<&ConfigCenter::webSite>("ServerConfig_WebSite", "web-site"),
    };
    return settings;
}

const SettingInfo* FindSetting(const std::string& name)
{
    for (const SettingInfo& entry : Settings())
        if (name == entry.name || (entry.alias != nullptr && name == entry.alias))
            return &entry;
    return nullptr;
}

bool IsDecimal32(const std::string& text)
{
    if (text.empty() || text.size() > 10)
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return std::stoull(text) <= 0xFFFFFFFFull;
}

// "host" or "host:port": no scheme, no path, no spaces.
bool IsHost(const std::string& text)
{
    if (text.empty() || text.find_first_of(" /\t\r\n?#@") != std::string::npos)
        return false;
    size_t colon = text.rfind(':');
    if (colon == std::string::npos)
        return true;
    std::string port = text.substr(colon + 1);
    return colon > 0 && IsDecimal32(port) && std::stoul(port) >= 1 && std::stoul(port) <= 65535;
}

// ---------------------------------------------------------------------------------------------
// The client's core wired as the main window wires it.

class Session
{
public:
    Session()
        : config(&owner, &PrintTip, this), tipsBox(&messageBox), projects(&owner, &ShowTip, &owner),
          numbers(&owner, &NumberTip, this), sms(&owner, &ShowTip, &owner), numberList(&owner, &ShowTip, &owner),
          userInfo(&owner, &ShowTip, &owner), updates(&owner, &ShowTip, &owner),
          login(&owner, &loginDialog, &LoginTip, this)
    {
        owner.config = &config;
        owner.tipsBox = &tipsBox;
        owner.commands = &queue;
        owner.login = &login;
        owner.projects = &projects;
        owner.numbers = &numbers;
        owner.sms = &sms;
        owner.numberList = &numberList;
        owner.userInfo = &userInfo;
        owner.updates = &updates;
        owner.remarkBox = &remarkBox;
        owner.projectCombo = &projectCombo;
        owner.searchBox = &searchBox;
        owner.provinceCombo = &provinceCombo;
        owner.carrierCombo = &carrierCombo;
        owner.countBox = &countBox;
        owner.numberListView = &listView;
        owner.autoGetSmsBox = &autoGetSmsBox;
        owner.autoExtractBox = &autoExtractBox;
        owner.listAutoSortBox = &listAutoSortBox;
        owner.toolBar = &toolBar;
        owner.statusBar = &statusBar;
        owner.tipsView = &tipsView;
        owner.window = &window;
        owner.messageBox = &messageBox;
        owner.shell = &shell;
        owner.clipboard = &clipboard;
        owner.trayIcon = &tray;
        owner.settingsCentre = &centre;

        tipsView.SetObserver([](const std::u16string& inserted) {
            std::u16string line = inserted;
            if (line.rfind(u"\r\n", 0) == 0)
                line.erase(0, 2);
            PrintErr(Utf8(line));
        });
        messageBox.SetObserver([](const ShownMessageBox& box) {
            PrintErr(TimeStamp() + "[" + Utf8(box.caption) + "] " + Utf8(box.text) +
                     (box.answer == kIdOk ? " -> 确定" : " -> 取消"));
        });
    }

    // Settings from the store, as the main window loads them before the login dialog.
    void Load()
    {
        config.LocateExecutable();
        config.Load();
        {
            std::lock_guard<CriticalSection> guard(config.SettingsLock());
            // The auto-run entry names the windowed client beside this program, never the terminal one.
            config.executablePath = config.executableDirectory + u"/borvankh";
        }
        tipsBox.Init(&tipsView, &owner, config.executableDirectory);
    }

    bool HasCredentials()
    {
        std::lock_guard<CriticalSection> guard(config.SettingsLock());
        return !config.userName.empty() && !config.password.empty();
    }

    // One sign-in as the login dialog runs it; false with the reason in failure.
    bool SignIn(std::string& failure)
    {
        login.StartLogin();
        while (login.IsBusy())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (loginDialog.Succeeded())
            return true;
        std::lock_guard<std::mutex> guard(tipMutex);
        failure = lastLoginTip.empty() ? "登录失败！" : lastLoginTip;
        return false;
    }

    // Starts the command worker; every dispatched command is counted so Run can wait for it.
    bool StartCommands()
    {
        CommandQueue::Dispatcher dispatch = MakeDispatcher(&owner);
        return queue.Start(&owner, [this, dispatch](const Command& record) {
            bool stop = dispatch(record);
            ++dispatched;
            return stop;
        });
    }

    void Push(int32_t code, int32_t argument = 0)
    {
        ++pushed;
        queue.PushCommand(code, argument);
    }

    // Pushes a command and waits until the worker has carried it out (and everything before it).
    void Run(int32_t code, int32_t argument = 0)
    {
        Push(code, argument);
        long target = pushed;
        while (dispatched < target && queue.IsRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    // Waits until done() holds, the deadline passes or the user interrupts; true when done.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds deadline)
    {
        auto end = Clock::now() + deadline;
        while (!done()) {
            if (interrupted || Clock::now() >= end)
                return done();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
    }

    // The shutdown command with the question answered OK: settles the numbers, saves the settings
    // and the tip log, and ends the command worker.
    void Shutdown()
    {
        if (!queue.IsRunning())
            return;
        messageBox.QueueAnswer(kIdOk);
        Push(kCmdShutdown);
        while (queue.IsRunning())
            window.closeEvent.Wait(100);
    }

    std::string LastNumberTip()
    {
        std::lock_guard<std::mutex> guard(tipMutex);
        return lastNumberTip;
    }

    // The rows of the number list: number, SMS, code.
    std::vector<std::vector<std::u16string>> Rows()
    {
        std::vector<std::vector<std::u16string>> rows;
        int count = listView.GetItemCount();
        for (int row = 0; row < count; ++row)
            rows.push_back({listView.GetItemText(row, kColumnNumber), listView.GetItemText(row, kColumnSms),
                            listView.GetItemText(row, kColumnCode)});
        return rows;
    }

    ConfigCenter config;
    HeadlessTipsView tipsView;
    HeadlessMessageBox messageBox{kIdCancel};
    TipsBox tipsBox;
    HeadlessShell shell;
    HeadlessTrayIcon tray;
    HeadlessMainWindow window;
    HeadlessSettingsCentre centre;
    HeadlessStatusBar statusBar;
    HeadlessToolBar toolBar;
    HeadlessClipboard clipboard;
    HeadlessLoginDialog loginDialog;
    HeadlessTextBox remarkBox;
    HeadlessComboBox projectCombo;
    HeadlessTextBox searchBox;
    HeadlessComboBox provinceCombo;
    HeadlessComboBox carrierCombo;
    HeadlessTextBox countBox{u"1"};
    HeadlessListView listView;
    HeadlessCheckBox autoGetSmsBox;
    HeadlessCheckBox autoExtractBox{true};
    HeadlessCheckBox listAutoSortBox{true};
    OwnerWindow owner;
    ProjectManager projects;
    PhoneNumManager numbers;
    SMSManager sms;
    PhoneSMSListCtrl numberList;
    UserInfoManager userInfo;
    UpdateManager updates;
    LoginCtrl login;
    // Declared last so that it is destroyed first: its worker must end before the managers go.
    CommandQueue queue;

private:
    // Sign-in tips go to the login dialog's tips line; here, to stderr.
    static void LoginTip(std::string message, std::string error, void* context)
    {
        auto* session = static_cast<Session*>(context);
        std::string text = WideToAnsi(TipDisplayText(message, error));
        {
            std::lock_guard<std::mutex> guard(session->tipMutex);
            session->lastLoginTip = text;
        }
        PrintErr(TimeStamp() + text);
    }

    // The number manager's tips go to the tips box as every manager's do; the last one is kept
    // as the reason when a number request fails.
    static void NumberTip(std::string message, std::string error, void* context)
    {
        auto* session = static_cast<Session*>(context);
        {
            std::lock_guard<std::mutex> guard(session->tipMutex);
            session->lastNumberTip = WideToAnsi(TipDisplayText(message, error));
        }
        ShowTip(std::move(message), std::move(error), &session->owner);
    }

    std::mutex tipMutex;
    std::string lastLoginTip;
    std::string lastNumberTip;
    std::atomic<long> pushed{0};
    std::atomic<long> dispatched{0};
};

// ---------------------------------------------------------------------------------------------
// Commands.

const char* kMainHelp = R"(usage: borvankh-cli COMMAND [OPTIONS]

The terminal client of BorvanKH. It uses the settings of the windowed client
($XDG_CONFIG_HOME/BorvanKH/registry.json) and writes its tip log to TipsLog beside the program.

commands:
  set NAME VALUE   change one setting (see "borvankh-cli set --help")
  show             print the settings (the password is never printed)
  projects         sign in and list the projects of the project box
  account          sign in and print the account's figures
  get              sign in, rent numbers for a project and wait for their codes

"borvankh-cli COMMAND --help" describes each command.
Exit status: 0 success, 1 sign-in or request failed, 2 bad command line.
)";

const char* kSetHelp = R"(usage: borvankh-cli set NAME VALUE

Stores one setting. NAME is the stored name or its short form:
  user (LoginConfig_User), password (LoginConfig_Pwd; also sets StartupConfig_SavePwd to 1 so that
  the password is kept), api-host (ServerConfig_ApiHost), services-host (ServerConfig_ServicesHost),
  web-site (ServerConfig_WebSite), and every other stored name as "borvankh-cli show" lists it.
Numbers take 0 to 4294967295; hosts take "host" or "host:port".
)";

const char* kShowHelp = R"(usage: borvankh-cli show

Prints every setting as NAME=VALUE. The password shows only whether one is stored.
)";

const char* kProjectsHelp = R"(usage: borvankh-cli projects [--search WORD]

Signs in with the stored user and password, fetches the projects and prints the project box:
its count line, then one "pid：name" line per project (the favourites when the account has some).
--search WORD shows the projects whose name contains WORD instead.
)";

const char* kAccountHelp = R"(usage: borvankh-cli account

Signs in and prints the six account figures: user name, balance, numbers available, level,
discount and score.
)";

const char* kGetHelp = R"(usage: borvankh-cli get --project PID [--count N] [--province P] [--carrier C]

Signs in, rents N numbers (default 1) for the project PID (a project of the project box, or a word
of a project's name), fetches their SMS automatically and prints each row as it changes:
number, SMS and code, separated by tabs. When every number has reached a final state (or on
Ctrl-C) it closes as the windowed client does: unused numbers are given back, marked ones
blacklisted, and the tips are saved to the tip log. --province and --carrier take the entries of
the province and carrier boxes ("不限" for any).
)";

bool WantsHelp(const std::vector<std::string>& args)
{
    for (const std::string& arg : args)
        if (arg == "--help" || arg == "-h")
            return true;
    return false;
}

int Usage(const std::string& problem, const char* help)
{
    PrintErr("borvankh-cli: " + problem);
    PrintErr(help);
    return kExitUsage;
}

int Fail(const std::string& reason)
{
    PrintErr("borvankh-cli: " + reason);
    return kExitFailed;
}

int CommandSet(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kSetHelp);
        return kExitOk;
    }
    if (args.size() != 2)
        return Usage("set takes a NAME and a VALUE", kSetHelp);
    const SettingInfo* entry = FindSetting(args[0]);
    if (entry == nullptr)
        return Usage("unknown setting \"" + args[0] + "\"", kSetHelp);
    const std::string& value = args[1];
    if (entry->kind == SettingInfo::Number && !IsDecimal32(value))
        return Usage(std::string(entry->name) + " takes a number from 0 to 4294967295", kSetHelp);
    if (entry->kind == SettingInfo::Host && !IsHost(value))
        return Usage(std::string(entry->name) + " takes \"host\" or \"host:port\"", kSetHelp);

    Session session;
    session.Load();
    {
        std::lock_guard<CriticalSection> guard(session.config.SettingsLock());
        entry->set(session.config, value);
        if (entry->kind == SettingInfo::Secret)
            session.config.savePassword = 1;
    }
    session.config.Save();
    PrintOut(std::string(entry->name) + "=" + (entry->kind == SettingInfo::Secret ? "(stored)" : value));
    return kExitOk;
}

int CommandShow(const std::vector<std::string>& args)
{
    if (WantsHelp(args)) {
        PrintOut(kShowHelp);
        return kExitOk;
    }
    if (!args.empty())
        return Usage("show takes no arguments", kShowHelp);
    Session session;
    session.Load();
    std::lock_guard<CriticalSection> guard(session.config.SettingsLock());
    for (const SettingInfo& entry : Settings()) {
        std::string value = entry.get(session.config);
        if (entry.kind == SettingInfo::Secret)
            value = value.empty() ? "(none)" : "(stored)";
        PrintOut(std::string(entry.name) + "=" + value);
    }
    return kExitOk;
}

// Loads the settings, signs in and starts the command worker. False (with the exit status in
// status) when that fails.
bool OpenSession(Session& session, int& status)
{
    session.Load();
    if (!session.HasCredentials()) {
        status = Fail("no user name or password stored; use \"borvankh-cli set user NAME\" and "
                      "\"borvankh-cli set password PASSWORD\"");
        return false;
    }
    std::string failure;
    if (!session.SignIn(failure)) {
        status = Fail(failure);
        return false;
    }
    if (!session.StartCommands()) {
        status = Fail("the command worker could not be started");
        return false;
    }
    session.Run(kCmdAddTrayIcon);
    return true;
}

bool WaitForProjects(Session& session)
{
    session.Run(kCmdFetchProjects);
    return session.WaitFor([&] { return !session.projects.IsBusy(); }, kStepDeadline) && !interrupted;
}

std::vector<std::u16string> ComboItems(ComboBoxPort& combo)
{
    std::vector<std::u16string> items;
    int count = combo.GetCount();
    for (int i = 0; i < count; ++i) {
        std::u16string text;
        combo.GetItemText(i, text);
        items.push_back(text);
    }
    return items;
}

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
    Session session;
    int status = kExitOk;
    if (!OpenSession(session, status))
        return status;
    bool fetched = WaitForProjects(session);
    if (fetched && !keyword.empty()) {
        session.searchBox.SetWindowText(AnsiToWide(keyword));
        session.Run(kCmdSearchProjects);
    }
    if (fetched)
        for (const std::u16string& item : ComboItems(session.projectCombo))
            PrintOut(Utf8(item));
    session.Shutdown();
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
    Session session;
    int status = kExitOk;
    if (!OpenSession(session, status))
        return status;
    session.Run(kCmdRefreshUserInfo);
    bool done = session.WaitFor([&] { return !session.userInfo.IsBusy(); }, kStepDeadline);
    bool shown = done && !session.statusBar.PaneText(0).empty();
    if (shown)
        for (int i = 0; i < StatusBarPort::kPaneCount; ++i)
            PrintOut(Utf8(session.statusBar.PaneText(i)));
    session.Shutdown();
    return shown ? kExitOk : Fail("the account figures could not be fetched");
}

// Selects text in combo; false when it is not one of its entries.
bool SelectEntry(ComboBoxPort& combo, const std::u16string& text)
{
    std::vector<std::u16string> items = ComboItems(combo);
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == text)
            return combo.SetCurSel(static_cast<int>(i));
    return false;
}

std::string JoinEntries(ComboBoxPort& combo)
{
    std::string out;
    for (const std::u16string& item : ComboItems(combo))
        out += (out.empty() ? "" : " ") + Utf8(item);
    return out;
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
int ChooseProject(Session& session, const std::u16string& wanted, std::string& problem)
{
    int index = FindProject(session.projectCombo, wanted);
    if (index < 0) {
        session.searchBox.SetWindowText(wanted);
        session.Run(kCmdSearchProjects);
        index = FindProject(session.projectCombo, wanted);
        if (index < 0 && session.projectCombo.GetCount() == 2)
            index = 1;
    }
    if (index < 0) {
        problem = "no single project matches \"" + Utf8(wanted) + "\"";
        std::vector<std::u16string> items = ComboItems(session.projectCombo);
        for (size_t i = 1; i < items.size(); ++i)
            problem += "\n  " + Utf8(items[i]);
        return -1;
    }
    session.projectCombo.SetCurSel(index);
    session.Run(kCmdShowProjectInfo, index - 1);
    return index;
}

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
    if (!IsDecimal32(count) || std::stoul(count) == 0)
        return Usage("--count takes a whole number above 0", kGetHelp);

    Session session;
    int status = kExitOk;
    if (!OpenSession(session, status))
        return status;
    // The fetch runs automatically for this run only; the stored choice is put back before the
    // shutdown command saves the settings.
    uint32_t storedAutoGetSms;
    {
        std::lock_guard<CriticalSection> guard(session.config.SettingsLock());
        storedAutoGetSms = session.config.autoGetSms;
        session.config.autoGetSms = 1;
    }
    auto finish = [&](int code) {
        {
            std::lock_guard<CriticalSection> guard(session.config.SettingsLock());
            session.config.autoGetSms = storedAutoGetSms;
        }
        session.Shutdown();
        return code;
    };

    session.Run(kCmdSetupChoices);
    session.Run(kCmdSetupList);
    session.Run(kCmdApplyWindowTop);
    session.Push(kCmdVersionCheck);
    if (!WaitForProjects(session))
        return finish(interrupted ? 130 : Fail("the project list could not be fetched"));
    std::string problem;
    if (ChooseProject(session, AnsiToWide(project), problem) < 0)
        return finish(Fail(problem));
    if (!SelectEntry(session.provinceCombo, AnsiToWide(province)))
        return finish(
            Usage("unknown province \"" + province + "\"; one of: " + JoinEntries(session.provinceCombo), kGetHelp));
    if (!SelectEntry(session.carrierCombo, AnsiToWide(carrier)))
        return finish(
            Usage("unknown carrier \"" + carrier + "\"; one of: " + JoinEntries(session.carrierCombo), kGetHelp));
    session.countBox.SetWindowText(AnsiToWide(count));

    session.Run(kCmdGetNumbers);
    session.WaitFor([&] { return !session.numbers.IsBusy(); }, std::chrono::hours(24));
    if (interrupted)
        return finish(130);
    if (session.numbers.GetBatch().empty())
        return finish(Fail(session.LastNumberTip()));

    // Print every row when it changes, until the fetch has ended for every number.
    std::map<std::u16string, std::pair<std::u16string, std::u16string>> printed;
    auto printChanges = [&] {
        for (const auto& row : session.Rows()) {
            auto cells = std::make_pair(row[1], row[2]);
            auto found = printed.find(row[0]);
            if (found != printed.end() && found->second == cells)
                continue;
            printed[row[0]] = cells;
            PrintOut(Utf8(row[0]) + "\t" + (row[1].empty() ? "-" : Utf8(row[1])) + "\t" +
                     (row[2].empty() ? "-" : Utf8(row[2])));
        }
    };
    while (!interrupted && (session.sms.IsBusy() || session.numbers.IsBusy())) {
        printChanges();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    printChanges();
    return finish(interrupted ? 130 : kExitOk);
}

} // namespace

int main(int argc, char** argv)
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return Usage("no command given", kMainHelp);
    std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        PrintOut(kMainHelp);
        return kExitOk;
    }
    if (command == "set")
        return CommandSet(args);
    if (command == "show")
        return CommandShow(args);
    if (command == "projects")
        return CommandProjects(args);
    if (command == "account")
        return CommandAccount(args);
    if (command == "get")
        return CommandGet(args);
    return Usage("unknown command \"" + command + "\"", kMainHelp);
}
