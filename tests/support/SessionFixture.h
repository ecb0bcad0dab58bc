#pragma once
// The client's core as the main window builds it, without a screen: one client session over the
// in-memory controls, its settings in a private settings directory, its tips box writing into a
// private log folder, its command worker started and the province, carrier and number-list set-up
// commands carried out. Every tip of the settings record and the managers is also recorded in
// `tips`. Optionally a sandbox on loopback as the API host, signed in as a sandbox account and
// with a project chosen. Used by the manager and dispatcher tests and by the numbers benchmark;
// destroying it stops every job and waits for the workers before anything is torn down.

#include "app/ClientSession.h"
#include "headless/HeadlessControls.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kh::test {

class SandboxProcess;

class SessionFixture
{
public:
    // options: the session's options; its tip observer is replaced by the recorder.
    explicit SessionFixture(SessionOptions options = {});
    ~SessionFixture();
    SessionFixture(const SessionFixture&) = delete;
    SessionFixture& operator=(const SessionFixture&) = delete;

    // A scenario with the account demo/demo (ample balance, room for maxMobiles numbers, no
    // favourites), one project "2001" whose SMS come smsDelayMs after renting (never when
    // smsDelayMs is negative) and a generated pool of poolSize numbers.
    static std::string Scenario(int64_t smsDelayMs, int maxMobiles = 400, int poolSize = 1200);

    // Starts a sandbox with the given scenario (JSON text; empty for the built-in demo) and points
    // the API and services hosts at it. False when it did not come up.
    bool StartSandbox(const std::string& scenarioJson = {});
    SandboxProcess* Sandbox() { return sandbox.get(); }
    // Points the API host somewhere else (a refusing port, for transport failures).
    void SetApiHost(const std::string& host);
    std::string ApiHost();

    // Signs in through the session's login controller with these credentials and starts the
    // journal of rented numbers, as the session's start does after a sign-in. False when refused.
    bool SignIn(const std::string& user = "demo", const std::string& pwd = "demo");
    // Makes pid the project chosen in the project box.
    void ChooseProject(const std::u16string& pid);

    // Changes the settings record under its lock (short intervals, automatic fetching...).
    void Configure(const std::function<void(SettingsValues&)>& change);

    // Runs a number job and waits until it and any SMS fetch it started have ended.
    bool RunNumberJob(uint32_t count, const std::u16string& province = {}, const std::u16string& carrier = {});
    // Waits until no number job and no SMS fetch run.
    bool WaitIdle(std::chrono::milliseconds deadline = std::chrono::milliseconds(30000));

    // A control request to the sandbox ("/_sandbox/..."): POST body, reply text; false unless the
    // sandbox answered with status 200.
    bool SandboxControl(const std::string& path, const std::string& body, std::string& reply);
    // The sandbox's state dump (JSON text).
    std::string SandboxDump();

    // From the dump: the mobiles in one member of the first account ("held", "released",
    // "blacklist") in their order, and how many requests a path has had.
    std::vector<std::string> SandboxNumbers(const std::string& member);
    int SandboxRequests(const std::string& path);
    // Asks the sandbox to deliver an SMS to mobile now, or to put it offline.
    bool Deliver(const std::u16string& mobile, const std::string& text);
    bool PutOffline(const std::u16string& mobile);

    // The list view's cell of number's row, empty when the number has no row.
    std::u16string Cell(const std::u16string& number, int column);
    std::vector<std::u16string> ColumnTexts(int column) { return controls.listView.ColumnTexts(column); }

    // The folder that stands for the executable's: the tips box writes its TipsLog below it.
    const std::string& ProgramDirectory() const { return programDirectory; }

    OwnerWindow& Owner() { return session.Owner(); }
    ConfigCenter& Config() { return session.Config(); }
    ProjectManager& Projects() { return session.Projects(); }
    PhoneNumManager& Numbers() { return session.Numbers(); }
    SMSManager& Sms() { return session.Sms(); }
    PhoneSMSListCtrl& NumberList() { return session.NumberList(); }
    UserInfoManager& UserInfo() { return session.UserInfo(); }
    UpdateManager& Updates() { return session.Updates(); }

    TipRecorder tips;
    TempSettingsDir settingsDir;
    HeadlessControls controls;
    ClientSession session;

private:
    std::string programDirectory;
    std::unique_ptr<SandboxProcess> sandbox;
};

} // namespace kh::test
