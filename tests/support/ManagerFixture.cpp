#include "support/ManagerFixture.h"

#include "base/AutoLock.h"
#include "base/ReplyFields.h"
#include "http/HttpClient.h"
#include "platform/TextCodec.h"
#include "support/SandboxProcess.h"
#include "support/SupportHooks.h"
#include "support/WaitUntil.h"

#include <cjson/cJSON.h>
#include <cstdio>

namespace kh::test {

ManagerFixture::ManagerFixture()
    : config(&window, &TipRecorder::Callback, tips.Context()),
      projects(&window, &TipRecorder::Callback, tips.Context()),
      numbers(&window, &TipRecorder::Callback, tips.Context()), sms(&window, &TipRecorder::Callback, tips.Context()),
      numberList(&window, &TipRecorder::Callback, tips.Context())
{
    window.config = &config;
    window.projects = &projects;
    window.numbers = &numbers;
    window.batch = &numbers.Batch();
    window.sms = &sms;
    window.numberList = &numberList;
    window.remarkBox = &remarkBox;
    window.projectCombo = &projectCombo;
    window.searchBox = &searchBox;
    window.provinceCombo = &provinceCombo;
    window.carrierCombo = &carrierCombo;
    window.countBox = &countBox;
    window.numberListView = &listView;
    window.autoGetSmsBox = &autoGetSmsBox;
    window.autoExtractBox = &autoExtractBox;
    window.listAutoSortBox = &listAutoSortBox;
    window.toolBar = &toolBar;

    // The start-up commands that set up the province and carrier boxes and the number list.
    numbers.SetupChoices(&window);
    numberList.SetupList(&listView);
}

ManagerFixture::~ManagerFixture()
{
    // A failed test shows every tip its managers raised, which usually says why.
    if (CurrentTestFailed())
        for (const RecordedTip& tip : tips.Tips())
            std::fprintf(stderr, "tip: [%s] %s\n", tip.error.c_str(), tip.message.c_str());
    projects.StopFetching();
    sms.StopFetch();
    WaitIdle(std::chrono::milliseconds(60000));
    WaitUntil([this] { return !projects.IsBusy(); }, std::chrono::milliseconds(60000));
}

std::string ManagerFixture::Scenario(int64_t smsDelayMs, int maxMobiles, int poolSize)
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

bool ManagerFixture::StartSandbox(const std::string& scenarioJson)
{
    SandboxOptions options;
    options.scenarioJson = scenarioJson;
    options.seed = 1;
    sandbox = std::make_unique<SandboxProcess>(options);
    if (!sandbox->Started())
        return false;
    SetApiHost(sandbox->Host());
    return true;
}

void ManagerFixture::SetApiHost(const std::string& host)
{
    Configure([&](ConfigCenter& c) { c.apiHost = host; });
}

std::string ManagerFixture::ApiHost()
{
    return config.GetApiHost();
}

bool ManagerFixture::SignIn(const std::string& user, const std::string& pwd)
{
    HttpClient client;
    client.Reset();
    client.UseUtf8();
    std::string reply;
    if (client.Send("http://" + ApiHost() + "/login", "user=" + user + "&pwd=" + pwd, reply) != 0)
        return false;
    if (GetReplyField(reply, "\"code\":", ",") != "0")
        return false;
    std::string token = GetReplyField(reply, "\"token\":\"", "\"");
    config.SetToken(token);
    return !token.empty();
}

void ManagerFixture::ChooseProject(const std::u16string& pid)
{
    projects.StoreProjects({{pid, u"测试项目", u"1.00", u""}}, {});
    // Item 0 of the project box is the count line; the project is item 1.
    projectCombo.SetCurSel(1);
    projects.ShowProjectInfo(0);
}

void ManagerFixture::Configure(const std::function<void(ConfigCenter&)>& change)
{
    AutoLock guard(&TipRecorder::Callback, tips.Context(), &config.SettingsLock());
    change(config);
}

bool ManagerFixture::RunNumberJob(uint32_t count, const std::u16string& province, const std::u16string& carrier)
{
    numbers.GetNumbers(count, province, carrier);
    return WaitIdle();
}

bool ManagerFixture::WaitIdle(std::chrono::milliseconds deadline)
{
    return WaitUntil([this] { return !numbers.IsBusy() && !sms.IsBusy(); }, deadline);
}

bool ManagerFixture::SandboxControl(const std::string& path, const std::string& body, std::string& reply)
{
    if (!sandbox)
        return false;
    int status = -1;
    reply = sandbox->Post(path, body, &status);
    return status == 200;
}

std::string ManagerFixture::SandboxDump()
{
    return sandbox ? sandbox->State() : std::string();
}

std::vector<std::string> ManagerFixture::SandboxNumbers(const std::string& member)
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

int ManagerFixture::SandboxRequests(const std::string& path)
{
    return sandbox ? static_cast<int>(sandbox->RequestCount(path)) : -1;
}

bool ManagerFixture::Deliver(const std::u16string& mobile, const std::string& text)
{
    return sandbox && sandbox->Deliver(WideToAnsi(mobile), text);
}

bool ManagerFixture::PutOffline(const std::u16string& mobile)
{
    return sandbox && sandbox->SetOffline(WideToAnsi(mobile));
}

std::u16string ManagerFixture::Cell(const std::u16string& number, int column)
{
    int row = numberList.FindRow(number);
    return row < 0 ? std::u16string() : listView.GetItemText(row, column);
}

} // namespace kh::test
