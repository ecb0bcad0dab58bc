#include "app/ClientSession.h"

#include "app/Dispatcher.h"
#include "platform/Paths.h"
#include "platform/Sync.h"

#include <algorithm>
#include <utility>

namespace kh {

ClientSession::ClientSession(const SessionControls& plugged, SessionOptions sessionOptions)
    : options(std::move(sessionOptions)),
      configRoute(Route("ConfigCenter.", plugged.settingsTip, plugged.settingsTipContext)),
      loginRoute(Route("LoginCtrl.", plugged.loginTip, plugged.loginTipContext)),
      projectsRoute(Route("ProjectManager.")), numbersRoute(Route("PhoneNumManager.")), smsRoute(Route("SMSManager.")),
      numberListRoute(Route("PhoneSMSListCtrl.")), userInfoRoute(Route("UserInfoManager.")),
      updatesRoute(Route("UpdateManager.")), journalRoute(Route("NumberJournal.")),
      leftoversRoute(Route("LeftoverManager.")), config(&owner, &RouteTip, &configRoute),
      tipsBox(plugged.messageBox, plugged.executor), login(&owner, plugged.loginDialog, &RouteTip, &loginRoute),
      projects(&owner, &RouteTip, &projectsRoute), journal(&RouteTip, &journalRoute),
      numbers(&owner, &RouteTip, &numbersRoute), sms(&owner, &RouteTip, &smsRoute),
      numberList(&owner, &RouteTip, &numberListRoute), userInfo(&owner, &RouteTip, &userInfoRoute),
      updates(&owner, &RouteTip, &updatesRoute, options.versionCheckInterval),
      leftovers(&owner, &RouteTip, &leftoversRoute)
{
    numbers.Batch().SetJournal(&journal);
    owner.config = &config;
    owner.tipsBox = &tipsBox;
    owner.commands = &queue;
    owner.login = &login;
    owner.projects = &projects;
    owner.numbers = &numbers;
    owner.batch = &numbers.Batch();
    owner.journal = &journal;
    owner.leftovers = &leftovers;
    owner.sms = &sms;
    owner.numberList = &numberList;
    owner.userInfo = &userInfo;
    owner.updates = &updates;
    owner.unverifiedNotice = &unverifiedNotice;

    owner.controls = plugged;
}

ClientSession::~ClientSession()
{
    // The command worker goes first: a command in progress still uses the managers.
    queue.Stop();
    {
        std::lock_guard<std::mutex> guard(ticketMutex);
        workerEnded = true;
        ticketDone.notify_all();
    }
    StopAndWait();
}

ClientSession::TipRoute ClientSession::Route(const char* marker, TipCallback target, void* targetContext)
{
    if (target == nullptr)
        return TipRoute{this, marker, &ShowTip, &owner};
    return TipRoute{this, marker, target, targetContext};
}

void ClientSession::RouteTip(std::string message, std::string error, void* context)
{
    const auto* route = static_cast<const TipRoute*>(context);
    if (route->session->options.tipObserver)
        route->session->options.tipObserver(route->marker, message, error);
    route->target(std::move(message), std::move(error), route->targetContext);
}

void ClientSession::AttachControls(const SessionControls& controls)
{
    const SessionControls& given = owner.controls;
    SessionControls attached = controls;
    attached.executor = given.executor;
    attached.loginDialog = given.loginDialog;
    attached.loginTip = given.loginTip;
    attached.loginTipContext = given.loginTipContext;
    attached.settingsTip = given.settingsTip;
    attached.settingsTipContext = given.settingsTipContext;
    owner.controls = attached;
}

void ClientSession::LoadSettings()
{
    config.LocateExecutable();
    config.ResetToDefaults();
    config.Load();
}

void ClientSession::StartSignIn()
{
    login.StartLogin();
}

bool ClientSession::IsSigningIn()
{
    return login.IsBusy();
}

bool ClientSession::WaitForSignIn(std::chrono::milliseconds timeout)
{
    return WaitForIdle(login, timeout) && !config.GetToken().empty();
}

bool ClientSession::Start(bool queueStartupCommands)
{
    // Once only: the queue refuses a second start, but the tips box must not be set up again either.
    {
        std::lock_guard<std::mutex> guard(ticketMutex);
        if (started)
            return false;
        started = true;
    }
    tipsBox.Init(owner.controls.tipsView, &owner, config.ExecutableDirectory(), owner.controls.messageBox);
    if (!config.GetToken().empty())
        StartJournal();
    CommandQueue::Dispatcher dispatch = MakeDispatcher(&owner);
    if (!queue.Start(&owner, [this, dispatch](const Command& record) { return DispatchCounted(dispatch, record); }))
        return false;
    if (queueStartupCommands)
        for (int32_t code : kStartupCommands)
            Push(code);
    return true;
}

bool ClientSession::StartJournal()
{
    if (config.GetToken().empty())
        return false;
    {
        std::lock_guard<std::mutex> guard(ticketMutex);
        if (journalStarted)
            return false;
        journalStarted = true;
    }
    SettingsValues settings = config.Snapshot();
    leftovers.StartSettle(JournalFolder(), settings.userName, settings.apiHost);
    return true;
}

std::string ClientSession::JournalFolder()
{
    std::string home = DataHome();
    return home.empty() ? std::string() : home + kPathSeparator + "BorvanKH" + kPathSeparator + "journal";
}

bool ClientSession::DispatchCounted(const CommandQueue::Dispatcher& dispatch, const Command& record)
{
    bool stop = dispatch(record);
    // Notified under the lock: a waiter may destroy the session as soon as it sees the count.
    std::lock_guard<std::mutex> guard(ticketMutex);
    ++doneTickets;
    if (stop)
        workerEnded = true;
    ticketDone.notify_all();
    return stop;
}

uint64_t ClientSession::Push(int32_t code, int32_t argument)
{
    // The ticket and the queue position are taken together, so tickets follow the queue's order.
    std::lock_guard<std::mutex> guard(ticketMutex);
    queue.PushCommand(code, argument);
    return ++pushedTickets;
}

bool ClientSession::WaitForCommand(uint64_t ticket, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(ticketMutex);
    return ticketDone.wait_for(lock, timeout, [&] { return doneTickets >= ticket || workerEnded; });
}

bool ClientSession::RunCommand(int32_t code, int32_t argument, std::chrono::milliseconds timeout)
{
    return WaitForCommand(Push(code, argument), timeout);
}

bool ClientSession::Shutdown(std::chrono::milliseconds timeout)
{
    if (!queue.IsRunning())
        return false;
    auto deadline = std::chrono::steady_clock::now() + timeout;
    if (!RunCommand(kCmdShutdown, 0, timeout))
        return false;
    {
        std::lock_guard<std::mutex> guard(ticketMutex);
        if (!workerEnded)
            return false;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return queue.WaitUntilEnded(std::max(left, std::chrono::milliseconds(0)));
}

bool ClientSession::IsRunning()
{
    return queue.IsRunning();
}

bool ClientSession::WaitUntilEnded(std::chrono::milliseconds timeout)
{
    return queue.WaitUntilEnded(timeout);
}

bool ClientSession::WaitForIdle(Manager& manager, std::chrono::milliseconds timeout)
{
    auto limit = std::clamp<int64_t>(timeout.count(), 0, UINT32_MAX);
    return manager.WaitUntilIdle(static_cast<uint32_t>(limit));
}

void ClientSession::StopAndWait()
{
    // Every stop is signalled first, so the retry loops end together rather than one after another.
    projects.StopFetching();
    userInfo.StopRefresh();
    updates.StopVersionCheck();
    // Neither a sign-in nor a number job can be stopped; they end by themselves, and a number job
    // may start an SMS fetch as its last step, so the SMS manager is stopped after it.
    login.StopAndWait();
    // The leftover job ends before its next request; a number job waiting for it goes on then.
    leftovers.StopAndWait();
    numbers.StopAndWait();
    sms.StopAndWait();
    projects.StopAndWait();
    userInfo.StopAndWait();
    updates.StopAndWait();
    exporter.StopAndWait();
}

} // namespace kh
