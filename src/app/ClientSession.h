#pragma once
// The composition root: one ClientSession owns the settings record, the tips box, the command
// queue, every manager and the dispatcher, in the main window's construction order, and wires them
// to the controls a front end plugs in (the Qt window, the terminal client's in-memory controls or
// a test's). It offers the start-up and shutdown sequence once: load the settings, sign in, start
// (tips box, command worker, start-up commands), push commands and wait for them, shut down. Its
// destructor ends the command worker, stops every manager and waits for every worker, so no owner
// has to remember an order.

#include "account/LoginCtrl.h"
#include "account/UpdateManager.h"
#include "account/UserInfoManager.h"
#include "app/TipsBox.h"
#include "core/CommandQueue.h"
#include "core/OwnerWindow.h"
#include "core/SessionControls.h"
#include "core/UnverifiedNotice.h"
#include "numbers/LeftoverManager.h"
#include "numbers/ListExporter.h"
#include "numbers/NumberJournal.h"
#include "numbers/PhoneNumManager.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "numbers/SMSManager.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

namespace kh {

// How a session behaves apart from its controls.
struct SessionOptions
{
    // Milliseconds between two version checks (tests shorten it).
    uint32_t versionCheckInterval = UpdateManager::kCheckInterval;
    // Sees every tip the settings record (with its store) and the managers raise, with the marker
    // of the module it was raised for ("PhoneNumManager.", "ConfigCenter."), before the tip goes on
    // to its target. It runs on the raising thread, possibly under a manager lock: it may record
    // the tip, never call back into the session.
    std::function<void(const char* marker, const std::string& message, const std::string& error)> tipObserver;
};

class ClientSession final
{
public:
    explicit ClientSession(const SessionControls& controls, SessionOptions options = {});
    // Ends the command worker if it still runs, stops every manager and waits for every worker.
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // The main window's controls, for a window made after the session (the windowed client makes it
    // while the login dialog shows): they replace those given at construction, except the
    // executor, the login dialog port and the tip targets, which stay as given then (the sign-in
    // and the tips box use them already). GUI thread, before Start; a sign-in may run meanwhile,
    // since it uses none of the window's controls.
    void AttachControls(const SessionControls& controls);

    // Locates the executable, resets the record to its defaults and loads the stored settings.
    void LoadSettings();

    // Starts one sign-in with the user name and password of the settings record (ignored while one
    // runs); the login dialog port receives the success notice. WaitForSignIn waits for the
    // attempt to end and tells whether a token is stored.
    void StartSignIn();
    bool IsSigningIn();
    bool WaitForSignIn(std::chrono::milliseconds timeout);

    // After a successful sign-in: initialises the tips box with the tips view and the log folder,
    // starts the journal of rented numbers (StartJournal), the command worker and, unless told
    // otherwise, queues the start-up commands. False when the worker could not be started (or was
    // started before).
    bool Start(bool queueStartupCommands = true);

    // Once, after the sign-in: opens the journal of rented numbers of the signed-in account and
    // the API host in the per-user data folder (JournalFolder) and starts settling what earlier
    // runs left in it, in the background. Start calls it when a sign-in token is stored; false
    // when there is none or it has already run.
    bool StartJournal();
    // $XDG_DATA_HOME/BorvanKH/journal (empty when no data folder is known).
    static std::string JournalFolder();

    // Queues a command; any thread. Returns its ticket for WaitForCommand.
    uint64_t Push(int32_t code, int32_t argument = 0);
    // Waits until the command with that ticket (and so every earlier one) has been carried out, or
    // the worker has ended. False on time-out.
    bool WaitForCommand(uint64_t ticket, std::chrono::milliseconds timeout = std::chrono::hours(24));
    // Push and WaitForCommand together.
    bool RunCommand(int32_t code, int32_t argument = 0, std::chrono::milliseconds timeout = std::chrono::hours(24));
    // Queues the shutdown command and waits for it. True when it was confirmed (the message box
    // answered OK) and the command worker has ended; false when it was cancelled, timed out or
    // the worker was not running.
    bool Shutdown(std::chrono::milliseconds timeout = std::chrono::hours(24));
    // True from Start until a confirmed shutdown (or the destructor) has ended the command worker.
    bool IsRunning();
    // Waits until the command worker has ended (after a confirmed shutdown). False on time-out.
    bool WaitUntilEnded(std::chrono::milliseconds timeout);

    // Waits until manager has no job running. False on time-out.
    static bool WaitForIdle(Manager& manager, std::chrono::milliseconds timeout = std::chrono::hours(24));

    // Stops the project, account-figure and version managers and any SMS fetch, and waits for
    // every manager's worker to end. The destructor calls it; front ends may call it earlier.
    void StopAndWait();

    OwnerWindow& Owner() { return owner; }
    const SessionControls& Controls() const { return owner.controls; }
    ConfigCenter& Config() { return config; }
    TipsBox& Tips() { return tipsBox; }
    CommandQueue& Commands() { return queue; }
    LoginCtrl& Login() { return login; }
    ProjectManager& Projects() { return projects; }
    PhoneNumManager& Numbers() { return numbers; }
    NumberJournal& Journal() { return journal; }
    LeftoverManager& Leftovers() { return leftovers; }
    SMSManager& Sms() { return sms; }
    PhoneSMSListCtrl& NumberList() { return numberList; }
    UserInfoManager& UserInfo() { return userInfo; }
    UpdateManager& Updates() { return updates; }
    ListExporter& Exporter() { return exporter; }

private:
    // Where one module's tips go: the observer first, then the target (ShowTip into the tips box,
    // or the front end's login or settings target).
    struct TipRoute
    {
        ClientSession* session;
        const char* marker;
        TipCallback target;
        void* targetContext;
    };
    static void RouteTip(std::string message, std::string error, void* context);
    TipRoute Route(const char* marker, TipCallback target = nullptr, void* targetContext = nullptr);

    // The dispatcher wrapped so that every carried-out command counts for WaitForCommand.
    bool DispatchCounted(const CommandQueue::Dispatcher& dispatch, const Command& record);

    SessionOptions options;
    OwnerWindow owner;
    UnverifiedNotice unverifiedNotice;
    TipRoute configRoute;
    TipRoute loginRoute;
    TipRoute projectsRoute;
    TipRoute numbersRoute;
    TipRoute smsRoute;
    TipRoute numberListRoute;
    TipRoute userInfoRoute;
    TipRoute updatesRoute;
    TipRoute journalRoute;
    TipRoute leftoversRoute;
    TipRoute exporterRoute = Route("ListExporter.");
    // The members in the main window's construction order; destroyed in reverse. The journal
    // outlives every manager that writes to it; the leftover job is stopped before them.
    ConfigCenter config;
    TipsBox tipsBox;
    CommandQueue queue;
    LoginCtrl login;
    ProjectManager projects;
    NumberJournal journal;
    PhoneNumManager numbers;
    SMSManager sms;
    PhoneSMSListCtrl numberList;
    UserInfoManager userInfo;
    UpdateManager updates;
    LeftoverManager leftovers;
    // The number list's export (the window's context menu, get --csv).
    ListExporter exporter{&owner, &RouteTip, &exporterRoute};

    // Tickets of pushed and of carried-out commands, for WaitForCommand.
    std::mutex ticketMutex;
    std::condition_variable ticketDone;
    uint64_t pushedTickets = 0;
    uint64_t doneTickets = 0;
    bool workerEnded = false;
    bool started = false;
    bool journalStarted = false;
};

} // namespace kh
