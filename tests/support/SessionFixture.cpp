#include "support/SessionFixture.h"

#include "app/Dispatcher.h"
#include "platform/TextCodec.h"
#include "support/SandboxProcess.h"
#include "support/SupportHooks.h"

#include <algorithm>
#include <cjson/cJSON.h>
#include <cstdio>
#include <filesystem>

namespace kh::test {

namespace {

SessionOptions Recording(SessionOptions options, TipRecorder& tips)
{
    options.tipObserver = [&tips](const char*, const std::string& message, const std::string& error) {
        TipRecorder::Callback(message, error, tips.Context());
    };
    return options;
}

} // namespace

SessionFixture::SessionFixture(SessionOptions options)
    : session(controls.Controls(), Recording(std::move(options), tips))
{
    session.LoadSettings();
    programDirectory = settingsDir.Path() + "/program";
    std::filesystem::create_directories(programDirectory);
    Config().SetExecutableLocation(AnsiToWide(programDirectory), AnsiToWide(programDirectory + "/borvankh"));
    if (!session.Start(false))
        ReportSupportFailure("the session's command worker did not start");
    // The start-up commands that set up the province and carrier boxes and the number list.
    session.RunCommand(kCmdSetupChoices);
    session.RunCommand(kCmdSetupList);
}

SessionFixture::~SessionFixture()
{
    // A failed test shows every tip its managers raised, which usually says why.
    if (CurrentTestFailed())
        for (const RecordedTip& tip : tips.Tips())
            std::fprintf(stderr, "tip: [%s] %s\n", tip.error.c_str(), tip.message.c_str());
    // While the sandbox still answers: a job in flight ends as it would in the client.
    session.StopAndWait();
}

std::string SessionFixture::Scenario(int64_t smsDelayMs, int maxMobiles, int poolSize)
{
    std::string delay = std::to_string(smsDelayMs < 0 ? 0 : smsDelayMs);
    std::string noSms = smsDelayMs < 0 ? "1" : "0";
    return R"({"accounts":[{"user":"demo","pwd":"demo","balance":"100000","max_mobiles":)" +
           std::to_string(maxMobiles) +
           R"(}],"projects":[{"pid":"2001","pname":"测试项目","p_price":"0.01",)"
           R"("sms_template":"您的验证码是{code}，请勿泄露","code_length":6,"delay_min_ms":)" +
           delay + R"(,"delay_max_ms":)" + delay + R"(,"no_sms_probability":)" + noSms + R"(}],"pool":{"generate":)" +
           std::to_string(poolSize) + "}}";
}

bool SessionFixture::StartSandbox(const std::string& scenarioJson)
{
    SandboxOptions options;
    options.scenarioJson = scenarioJson;
    options.seed = 1;
    sandbox = std::make_unique<SandboxProcess>(options);
    if (!sandbox->Started())
        return false;
    Configure([&](SettingsValues& c) {
        c.apiHost = sandbox->Host();
        c.servicesHost = sandbox->Host();
    });
    return true;
}

void SessionFixture::SetApiHost(const std::string& host)
{
    Configure([&](SettingsValues& c) { c.apiHost = host; });
}

std::string SessionFixture::ApiHost()
{
    return Config().GetApiHost();
}

bool SessionFixture::SignIn(const std::string& user, const std::string& pwd)
{
    Configure([&](SettingsValues& c) {
        c.userName = AnsiToWide(user);
        c.password = AnsiToWide(pwd);
    });
    session.StartSignIn();
    if (!session.WaitForSignIn(std::chrono::seconds(30)))
        return false;
    // The fixture starts its session before the sign-in; the journal follows the sign-in here.
    session.StartJournal();
    return true;
}

void SessionFixture::ChooseProject(const std::u16string& pid)
{
    Projects().StoreProjects({{pid, u"测试项目", u"1.00", u""}}, {});
    // Item 0 of the project box is the count line; the project is item 1.
    controls.projectCombo.SetCurSel(1);
    Projects().ShowProjectInfo(0);
}

void SessionFixture::Configure(const std::function<void(SettingsValues&)>& change)
{
    Config().Update(change);
}

bool SessionFixture::RunNumberJob(uint32_t count, const std::u16string& province, const std::u16string& carrier)
{
    Numbers().GetNumbers(count, province, carrier);
    return WaitIdle();
}

bool SessionFixture::WaitIdle(std::chrono::milliseconds deadline)
{
    // A number job may start a fetch as its last step, so the fetch is waited for after it.
    auto end = std::chrono::steady_clock::now() + deadline;
    auto left = [&] {
        return std::max(std::chrono::milliseconds(0),
                        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()));
    };
    return ClientSession::WaitForIdle(Numbers(), left()) && ClientSession::WaitForIdle(Sms(), left());
}

bool SessionFixture::SandboxControl(const std::string& path, const std::string& body, std::string& reply)
{
    if (!sandbox)
        return false;
    int status = -1;
    reply = sandbox->Post(path, body, &status);
    return status == 200;
}

std::string SessionFixture::SandboxDump()
{
    return sandbox ? sandbox->State() : std::string();
}

std::vector<std::string> SessionFixture::SandboxNumbers(const std::string& member)
{
    std::vector<std::string> result;
    std::string dump = SandboxDump();
    cJSON* root = cJSON_Parse(dump.c_str());
    const cJSON* accounts = cJSON_GetObjectItemCaseSensitive(root, "accounts");
    const cJSON* list = cJSON_GetObjectItemCaseSensitive(cJSON_GetArrayItem(accounts, 0), member.c_str());
    const cJSON* entry = nullptr;
    cJSON_ArrayForEach(entry, list)
    {
        const cJSON* mobile = cJSON_IsString(entry) ? entry : cJSON_GetObjectItemCaseSensitive(entry, "mobile");
        if (cJSON_IsString(mobile))
            result.push_back(mobile->valuestring);
    }
    cJSON_Delete(root);
    return result;
}

int SessionFixture::SandboxRequests(const std::string& path)
{
    return sandbox ? static_cast<int>(sandbox->RequestCount(path)) : -1;
}

bool SessionFixture::Deliver(const std::u16string& mobile, const std::string& text)
{
    return sandbox && sandbox->Deliver(WideToAnsi(mobile), text);
}

bool SessionFixture::PutOffline(const std::u16string& mobile)
{
    return sandbox && sandbox->SetOffline(WideToAnsi(mobile));
}

std::u16string SessionFixture::Cell(const std::u16string& number, int column)
{
    int row = NumberList().FindRow(number);
    return row < 0 ? std::u16string() : controls.listView.GetItemText(row, column);
}

} // namespace kh::test
