#pragma once
// The composition root: one ClientSession owns the settings record, the tips box, the command
// queue, every manager and the dispatcher, in the main window's construction order, and wires them
// to the controls a front end plugs in (the Qt window, the terminal client's in-memory controls or
// a test's). It offers the start-up and shutdown sequence once: load the settings, sign in, start
// (tips box, command worker, start-up commands), push commands and wait for them, shut down. Its
// destructor stops every manager and waits for every worker, so no owner has to remember an order.

#include "account/LoginCtrl.h"
#include "account/UpdateManager.h"
#include "account/UserInfoManager.h"
#include "app/TipsBox.h"
#include "core/CommandQueue.h"
#include "core/OwnerWindow.h"
#include "numbers/PhoneNumManager.h"
#include "numbers/SMSManager.h"
#include "projects/PhoneSMSListCtrl.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

namespace kh {

class UiExecutor;
class LoginDialogPort;

// What differs between the front ends: the controls of the main window and the login dialog, the
// executor of the thread that owns them, and where the sign-in tips go. Every pointer may be null;
// a manager that needs a missing control reports its tip for that case.
struct SessionControls
{
    TextBoxPort* remarkBox = nullptr;        // 1001, project price and remark
    ComboBoxPort* projectCombo = nullptr;    // 1008
    TextBoxPort* searchBox = nullptr;        // 1009
    ComboBoxPort* provinceCombo = nullptr;   // 1011
    ComboBoxPort* carrierCombo = nullptr;    // 1012
    TextBoxPort* countBox = nullptr;         // 1013
    ListViewPort* numberListView = nullptr;  // 1014
    CheckBoxPort* autoGetSmsBox = nullptr;   // 1015
    CheckBoxPort* autoExtractBox = nullptr;  // 1016
    CheckBoxPort* listAutoSortBox = nullptr; // 1040
    ToolBarPort* toolBar = nullptr;
    StatusBarPort* statusBar = nullptr;
    TipsViewPort* tipsView = nullptr;
    MainWindowPort* window = nullptr;
    MessageBoxPort* messageBox = nullptr;
    ShellPort* shell = nullptr;
    ClipboardPort* clipboard = nullptr;
    TrayIconPort* trayIcon = nullptr;
    SettingsCentrePort* settingsCentre = nullptr;
    LoginDialogPort* loginDialog = nullptr;

    // The thread that owns the windows; null runs view work inline on the calling thread.
    UiExecutor* executor = nullptr;
    // Sign-in tips go to the login dialog's tips line; null sends them to the tips box.
    TipCallback loginTip = nullptr;
    void* loginTipContext = nullptr;
    // Tips of the settings record (loading happens before the tips box shows anything); null
    // sends them to the tips box.
    TipCallback settingsTip = nullptr;
    void* settingsTipContext = nullptr;
};

class ClientSession final
{
public:
    explicit ClientSession(const SessionControls& controls);
    // Ends the command worker if it still runs, stops every manager and waits for every worker.
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // Locates the executable, resets the record to its defaults and loads the stored settings.
    void LoadSettings();

    // Starts one sign-in with the user name and password of the settings record (ignored while one
    // runs); the login dialog port receives the success notice. WaitForSignIn waits for the
    // attempt to end and tells whether a token was stored.
    void StartSignIn();
    bool IsSigningIn();
    bool WaitForSignIn(std::chrono::milliseconds timeout);

    // After a successful sign-in: initialises the tips box with the tips view and the log folder,
    // starts the command worker and, unless told otherwise, queues the start-up commands. False
    // when the worker could not be started (or was started before).
    bool Start(bool queueStartupCommands = true);

    // Queues a command; any thread. Returns its ticket for WaitForCommand.
    uint64_t Push(int32_t code, int32_t argument = 0);
    // Waits until the command with that ticket (and so every earlier one) has been carried out, or
    // the worker has ended. False on time-out.
    bool WaitForCommand(uint64_t ticket, std::chrono::milliseconds timeout = std::chrono::hours(24));
    // Push and WaitForCommand together.
    bool RunCommand(int32_t code, int32_t argument = 0, std::chrono::milliseconds timeout = std::chrono::hours(24));
    // True from Start until a confirmed shutdown has ended the command worker.
    bool IsRunning();
    // Waits until the command worker has ended (after a confirmed shutdown). False on time-out.
    bool WaitUntilEnded(std::chrono::milliseconds timeout);

    // Stops the project, account-figure and version managers and any SMS fetch, and waits for
    // every manager's worker to end. The destructor calls it; front ends may call it earlier.
    void StopAndWait();

    OwnerWindow& Owner() { return owner; }
    ConfigCenter& Config() { return config; }
    TipsBox& Tips() { return tipsBox; }
    CommandQueue& Commands() { return queue; }
    LoginCtrl& Login() { return login; }
    ProjectManager& Projects() { return projects; }
    PhoneNumManager& Numbers() { return numbers; }
    SMSManager& Sms() { return sms; }
    PhoneSMSListCtrl& NumberList() { return numberList; }
    UserInfoManager& UserInfo() { return userInfo; }
    UpdateManager& Updates() { return updates; }

private:
    SessionControls controls;
    OwnerWindow owner;
    // The members in the main window's construction order; destroyed in reverse.
    ConfigCenter config;
    TipsBox tipsBox;
    CommandQueue queue;
    LoginCtrl login;
    ProjectManager projects;
    PhoneNumManager numbers;
    SMSManager sms;
    PhoneSMSListCtrl numberList;
    UserInfoManager userInfo;
    UpdateManager updates;

    // Tickets of pushed and of carried-out commands, for WaitForCommand.
    std::mutex ticketMutex;
    std::condition_variable ticketDone;
    uint64_t pushedTickets = 0;
    uint64_t doneTickets = 0;
    bool workerEnded = false;
};

} // namespace kh
