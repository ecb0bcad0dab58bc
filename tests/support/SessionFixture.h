#pragma once
// The client's core wired as the main window wires it, without a screen: the settings record (in a
// private settings directory), the in-memory controls, the project manager, the number and SMS
// managers and the number list, all reporting into one TipRecorder. Optionally a sandbox on
// loopback as the API host, signed in as a sandbox account and with a project chosen. Used by the
// number and SMS tests and by the numbers benchmark; destroying it stops every job and waits for
// the workers before anything is torn down.

#include "core/OwnerWindow.h"
#include "headless/HeadlessCheckBox.h"
#include "headless/HeadlessComboBox.h"
#include "headless/HeadlessListView.h"
#include "headless/HeadlessTextBox.h"
#include "headless/HeadlessToolBar.h"
#include "numbers/PhoneNumManager.h"
#include "numbers/SMSManager.h"
#include "projects/PhoneSMSListCtrl.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kh::test {

class SandboxProcess;

class ManagerFixture
{
  public:
    ManagerFixture();
    ~ManagerFixture();
    ManagerFixture(const ManagerFixture&) = delete;
    ManagerFixture& operator=(const ManagerFixture&) = delete;

    // A scenario with the account demo/demo (ample balance, room for maxMobiles numbers, no
    // favourites), one project "2001" whose SMS come smsDelayMs after renting (never when
    // smsDelayMs is negative) and a generated pool of poolSize numbers.
    static std::string Scenario(int64_t smsDelayMs, int maxMobiles = 400, int poolSize = 1200);

    // Starts a sandbox with the given scenario (JSON text; empty for the built-in demo) and points
    // the API host at it. False when it did not come up.
    bool StartSandbox(const std::string& scenarioJson = {});
    SandboxProcess* Sandbox() { return sandbox.get(); }
    // Points the API host somewhere else (a port nobody listens on, for transport failures).
    void SetApiHost(const std::string& host);
    std::string ApiHost();

    // Posts /login as the login controller would and stores the token. False when refused.
    bool SignIn(const std::string& user = "demo", const std::string& pwd = "demo");
    // Makes pid the project chosen in the project box.
    void ChooseProject(const std::u16string& pid);

    // Changes the settings record under its lock (short intervals, automatic fetching...).
    void Configure(const std::function<void(ConfigCenter&)>& change);

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
    std::vector<std::u16string> ColumnTexts(int column) { return listView.ColumnTexts(column); }

    TipRecorder tips;
    TempSettingsDir settingsDir;
    ConfigCenter config;

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
    HeadlessToolBar toolBar;

    OwnerWindow window;
    ProjectManager projects;
    PhoneNumManager numbers;
    SMSManager sms;
    PhoneSMSListCtrl numberList;

  private:
    std::unique_ptr<SandboxProcess> sandbox;
};

} // namespace kh::test
