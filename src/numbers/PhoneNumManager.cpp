#include "numbers/PhoneNumManager.h"

#include "base/AutoLock.h"
#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/ComboBoxPort.h"
#include "numbers/LeftoverManager.h"
#include "numbers/NumberJournal.h"
#include "numbers/SMSManager.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "projects/PhoneSMSListCtrl.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <chrono>
#include <cjson/cJSON.h>
#include <cmath>
#include <thread>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteNoWindowForChoices = 1,
    kSiteSignalBusy = 2,
    kSiteWorkerThread = 3,
    // 4 to 8, 44 and 45 are the batch's own (NumberBatch.cpp).
    kSiteClearBusy = 9,
    kSiteJobWithoutWindow = 10,
    kSiteStopSmsWithoutWindow = 11,
    kSiteReleaseNoToken = 12,
    kSiteBlacklistNoToken = 13,
    kSiteNumbersNoToken = 14,
    kSiteNumbersNoWindow = 15,
    kSiteTokenNoWindow = 16,
    kSiteReleaseEmptyRecord = 17,
    kSiteReleaseNoPid = 18,
    kSiteReleaseInputs = 20,
    kSiteReleaseNetwork = 21,
    kSiteBlacklistEmptyRecord = 22,
    kSiteBlacklistNoPid = 23,
    kSiteBlacklistInputs = 25,
    kSiteBlacklistNetwork = 26,
    kSiteEmptyBody = 28,
    kSiteNumbersNetwork = 29,
    kSiteBodyInputs = 30,
    kSiteProvinceEncoding = 31,
    kSiteCarrierEncoding = 32,
    kSiteEmptyReply = 33,
    kSiteNotJson = 34,
    kSiteNoList = 35,
    kSiteNoElement = 36,
    kSiteNoMember = 37,
    kSiteStringWithoutText = 38,
    kSiteWrongType = 39,
    kSiteListWithoutWindow = 40,
    kSiteShortRecord = 41,
    kSiteEmptyNumber = 42,
    kSiteAutoFetchWithoutWindow = 43,
};

const char* const kMsgGetting = "正在获取手机号码...";
const char* const kMsgBadCount = "正在获取手机号码...获取失败！请输入正确的号码数量。";
const char* const kMsgNoProject = "正在获取手机号码...获取失败！请先选择项目。";
const char* const kMsgNumbersNetwork = "正在获取手机号码...网络连接失败，获取失败！";
const char* const kMsgNumbersRefused = "正在获取手机号码...获取失败！";
const char* const kMsgReleaseNetwork = "正在释放手机号码...网络连接失败，释放失败！";
const char* const kMsgReleaseRefused = "正在释放手机号码...释放失败！";
const char* const kMsgBlacklistNetwork = "正在加黑手机号码...网络连接失败，加黑失败！";
const char* const kMsgBlacklistRefused = "正在加黑手机号码...加黑失败！";

// The largest magnitude below which every integer is exactly representable in a double.
constexpr double kExactIntegerLimit = 9007199254740992.0;

} // namespace

PhoneNumManager::PhoneNumManager(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("PhoneNumManager.", owner, callback, context), batch(callback, context)
{
}

PhoneNumManager::~PhoneNumManager()
{
    StopAndWait();
}

const std::vector<std::u16string>& PhoneNumManager::ProvinceChoices()
{
    static const std::vector<std::u16string> choices = {
        u"不限", u"广东", u"福建", u"浙江",   u"江苏", u"北京", u"上海",   u"天津", u"重庆", u"河北", u"广西",
        u"山西", u"吉林", u"辽宁", u"黑龙江", u"陕西", u"甘肃", u"青海",   u"山东", u"河南", u"湖北", u"湖南",
        u"江西", u"安徽", u"海南", u"四川",   u"贵州", u"云南", u"内蒙古", u"新疆", u"宁夏", u"西藏",
    };
    return choices;
}

const std::vector<std::u16string>& PhoneNumManager::CarrierChoices()
{
    static const std::vector<std::u16string> choices = {u"不限", u"移动", u"联通", u"电信"};
    return choices;
}

void PhoneNumManager::SetupChoices(OwnerWindow* window)
{
    SetOwner(window);
    if (window == nullptr) {
        ReportTip({}, kSiteNoWindowForChoices);
        return;
    }
    if (window->provinceCombo != nullptr) {
        for (const std::u16string& text : ProvinceChoices())
            window->provinceCombo->AddString(text);
        window->provinceCombo->SetCurSel(0);
    }
    if (window->carrierCombo != nullptr) {
        for (const std::u16string& text : CarrierChoices())
            window->carrierCombo->AddString(text);
        window->carrierCombo->SetCurSel(0);
    }
}

void PhoneNumManager::GetNumbers(uint32_t count, const std::u16string& province, const std::u16string& carrier)
{
    // The request is stored by the worker itself: a call that finds the manager busy is dropped
    // without touching the values the running job reads.
    StartWorker(
        [this, count, province, carrier] {
            requestedCount = count;
            requestedProvince = province;
            requestedCarrier = carrier;
            NumberJob();
        },
        kSiteSignalBusy, kSiteWorkerThread, kSiteClearBusy);
}

// ---- the number job ----

void PhoneNumManager::NumberJob()
{
    ReportTip(kMsgGetting, 0);
    if (requestedCount == 0) {
        ReportTip(kMsgBadCount, 0);
        return;
    }
    if (owner == nullptr) {
        ReportTip({}, kSiteJobWithoutWindow);
        return;
    }
    if (owner->numberList != nullptr)
        owner->numberList->ClearList();
    if (!ReleaseBatch())
        return;
    if (!BlacklistBatch())
        return;
    WaitForLeftovers();
    if (!FetchNumbers())
        return;
    ListBatch();
    size_t count = batch.Records().size();
    ReportTip("正在获取手机号码...成功获取了 " + std::to_string(count) + " 个手机号码。", 0);

    if (owner == nullptr) {
        ReportTip({}, kSiteAutoFetchWithoutWindow);
        return;
    }
    bool autoGetSms = false;
    if (owner->config != nullptr) {
        AutoLock guard(tipCallback, tipContext, &owner->config->SettingsLock());
        autoGetSms = owner->config->autoGetSms != 0;
    }
    if (autoGetSms && owner->sms != nullptr)
        owner->sms->StartFetch();
}

bool PhoneNumManager::FetchNumbers()
{
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteNumbersNoToken);
        return false;
    }
    if (owner == nullptr) {
        ReportTip({}, kSiteNumbersNoWindow);
        return false;
    }
    std::u16string pid = owner->projects != nullptr ? owner->projects->GetSelectedProjectId() : std::u16string();
    if (pid.empty()) {
        ReportTip(kMsgNoProject, 0);
        return false;
    }
    std::string body = BuildNumbersRequest(token, pid);
    if (body.empty()) {
        ReportTip({}, kSiteEmptyBody);
        return false;
    }
    std::string host = owner->config != nullptr ? owner->config->GetApiHost() : std::string();
    ServerReply reply;
    if (!PostForm(*this, ServiceUrl(host, "/get_mobile"), body, kMsgNumbersNetwork, kSiteNumbersNetwork, reply))
        return false;
    if (!RefuseUnlessSuccess(*this, reply, kMsgNumbersRefused))
        return false;
    ParseNumbers(reply.text, pid);
    return true;
}

std::string PhoneNumManager::BuildNumbersRequest(const std::string& token, const std::u16string& pid)
{
    if (requestedCount == 0 || token.empty() || pid.empty()) {
        ReportTip({}, kSiteBodyInputs);
        return {};
    }
    std::string province = WideToAnsi(requestedProvince);
    if (!PercentEncodeUtf8(province)) {
        ReportTip({}, kSiteProvinceEncoding);
        return {};
    }
    std::string carrier = WideToAnsi(requestedCarrier);
    if (!PercentEncodeUtf8(carrier)) {
        ReportTip({}, kSiteCarrierEncoding);
        return {};
    }
    // The count goes out as a signed 32-bit decimal, as the service has always received it.
    std::string count = std::to_string(static_cast<int32_t>(requestedCount));
    return "token=" + token + "&pid=" + WideToAnsi(pid) + "&size=" + count + "&prov=" + province + "&corp=" + carrier +
           "&style=1";
}

void PhoneNumManager::ParseNumbers(const std::string& reply, const std::u16string& pid)
{
    if (reply.empty()) {
        ReportTip({}, kSiteEmptyReply);
        return;
    }
    JsonPtr root(cJSON_Parse(reply.c_str()));
    if (root == nullptr) {
        ReportTip({}, kSiteNotJson);
        return;
    }
    // The records are read first and installed in one step, so the batch's lock is not held while
    // the field tips go out.
    std::vector<NumberRecord> records;
    const cJSON* list = cJSON_GetObjectItem(root.get(), "list");
    if (list == nullptr) {
        ReportTip({}, kSiteNoList);
    } else {
        const cJSON* element = nullptr;
        cJSON_ArrayForEach(element, list)
        {
            records.push_back({ReadNumberField(element, "mobile"), ReadNumberField(element, "prov"),
                               ReadNumberField(element, "city"), ReadNumberField(element, "corp"), pid});
        }
    }
    batch.Install(std::move(records));
}

std::u16string PhoneNumManager::ReadNumberField(const void* element, const char* name)
{
    if (element == nullptr) {
        ReportTip({}, kSiteNoElement);
        return {};
    }
    const cJSON* item = cJSON_GetObjectItem(static_cast<const cJSON*>(element), name);
    if (item == nullptr) {
        ReportTip({}, kSiteNoMember);
        return {};
    }
    if (cJSON_IsNumber(item)) {
        // cJSON's int view saturates at 2^31-1, which would turn an 11-digit phone number into
        // 2147483647; the double holds every integer of that size exactly.
        double value = item->valuedouble;
        if (std::isfinite(value) && std::fabs(value) < kExactIntegerLimit)
            return AnsiToWide(std::to_string(static_cast<long long>(value)));
        return AnsiToWide(std::to_string(item->valueint));
    }
    if (cJSON_IsString(item)) {
        if (item->valuestring == nullptr || item->valuestring[0] == '\0') {
            ReportTip({}, kSiteStringWithoutText);
            return {};
        }
        return AnsiToWide(item->valuestring);
    }
    ReportTip({}, kSiteWrongType);
    return {};
}

void PhoneNumManager::ListBatch()
{
    if (owner == nullptr) {
        ReportTip({}, kSiteListWithoutWindow);
        return;
    }
    for (const NumberRecord& record : batch.Records()) {
        if (record.size() < 4) {
            ReportTip({}, kSiteShortRecord);
            return;
        }
        if (record[kFieldMobile].empty()) {
            ReportTip({}, kSiteEmptyNumber);
            return;
        }
        if (owner->numberList != nullptr)
            owner->numberList->AddRow(record[kFieldMobile], record[kFieldProvince], record[kFieldCity],
                                      record[kFieldCarrier]);
    }
}

// ---- release and blacklist ----

void PhoneNumManager::StopSmsAndWait()
{
    if (owner == nullptr) {
        ReportTip({}, kSiteStopSmsWithoutWindow);
        return;
    }
    SMSManager* sms = owner->sms;
    if (sms == nullptr)
        return;
    sms->StopFetch();
    // The stop ends every waiting poller at once; a poller inside a request finishes it first.
    while (sms->IsBusy())
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

bool PhoneNumManager::ReleaseBatch()
{
    StopSmsAndWait();
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteReleaseNoToken);
        return false;
    }
    // The marks cannot change during the walk: SMS fetching has ended, and the list's blacklist
    // command is not dispatched while a number job runs (at shutdown none runs).
    std::string numbers;
    std::string pid;
    std::vector<std::u16string> picked;
    CollectSettlement(
        [this](const std::u16string& number) {
            return !batch.IsReceived(number) && !batch.IsMarkedForBlacklist(number) && !batch.IsOffline(number);
        },
        kSiteReleaseEmptyRecord, kSiteReleaseNoPid, numbers, pid, picked);
    if (numbers.empty())
        return true;
    if (!SendSettlement("/adv_release_mobile", "token=" + token + "&pid_list=" + pid + "&mobile=" + numbers,
                        !pid.empty(), kSiteReleaseInputs, kMsgReleaseNetwork, kSiteReleaseNetwork, kMsgReleaseRefused))
        return false;
    Settled(picked);
    return true;
}

void PhoneNumManager::CollectSettlement(const std::function<bool(const std::u16string&)>& wanted, int emptySite,
                                        int noPidSite, std::string& numbers, std::string& pid,
                                        std::vector<std::u16string>& picked)
{
    std::vector<NumberRecord> records = batch.Records();
    for (const NumberRecord& record : records) {
        if (record.empty()) {
            ReportTip({}, emptySite);
            break;
        }
        const std::u16string& number = record[kFieldMobile];
        if (!wanted(number))
            continue;
        if (!numbers.empty())
            numbers += ",";
        numbers += WideToAnsi(number);
        picked.push_back(number);
    }
    if (!records.empty()) {
        if (records.front().size() <= kFieldPid)
            ReportTip({}, noPidSite);
        else
            pid = WideToAnsi(records.front()[kFieldPid]);
    }
}

bool PhoneNumManager::BlacklistBatch()
{
    StopSmsAndWait();
    std::string token = ReadToken(kSiteTokenNoWindow);
    if (token.empty()) {
        ReportTip({}, kSiteBlacklistNoToken);
        return false;
    }
    std::string numbers;
    std::string pid;
    std::vector<std::u16string> picked;
    CollectSettlement([this](const std::u16string& number) { return batch.IsMarkedForBlacklist(number); },
                      kSiteBlacklistEmptyRecord, kSiteBlacklistNoPid, numbers, pid, picked);
    if (numbers.empty())
        return true;
    if (!SendSettlement("/add_black", "token=" + token + "&pid=" + pid + "&mobile_list=" + numbers, !pid.empty(),
                        kSiteBlacklistInputs, kMsgBlacklistNetwork, kSiteBlacklistNetwork, kMsgBlacklistRefused))
        return false;
    Settled(picked);
    return true;
}

void PhoneNumManager::Settled(const std::vector<std::u16string>& numbers)
{
    if (owner != nullptr && owner->journal != nullptr)
        owner->journal->Remove(numbers);
}

void PhoneNumManager::WaitForLeftovers()
{
    if (owner == nullptr || owner->leftovers == nullptr)
        return;
    // The leftover job makes a few requests at most and ends by itself; no lock is held here.
    while (!owner->leftovers->WaitUntilIdle(1000)) {
    }
}

bool PhoneNumManager::SendSettlement(const std::string& path, const std::string& body, bool inputsPresent,
                                     int emptySite, const std::string& networkMessage, int networkSite,
                                     const std::string& refusalPrefix)
{
    if (!inputsPresent) {
        ReportTip({}, emptySite);
        return false;
    }
    std::string host = owner != nullptr && owner->config != nullptr ? owner->config->GetApiHost() : std::string();
    ServerReply reply;
    if (!PostForm(*this, ServiceUrl(host, path), body, networkMessage, networkSite, reply))
        return false;
    return RefuseUnlessSuccess(*this, reply, refusalPrefix);
}

} // namespace kh
