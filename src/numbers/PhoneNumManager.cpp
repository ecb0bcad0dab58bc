#include "numbers/PhoneNumManager.h"

#include "base/AutoLock.h"
#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/ComboBoxPort.h"
#include "numbers/LeftoverManager.h"
#include "numbers/ListSalvage.h"
#include "numbers/NumberJournal.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "numbers/SMSManager.h"
#include "platform/Json.h"
#include "platform/TextCodec.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <algorithm>
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

// A JSON number or string as number text; empty for anything else.
std::u16string NumberText(const cJSON* item)
{
    if (cJSON_IsNumber(item)) {
        // cJSON's int view saturates at 2^31-1, which would turn an 11-digit phone number into
        // 2147483647; the double holds every integer of that size exactly.
        double value = item->valuedouble;
        if (std::isfinite(value) && std::fabs(value) < kExactIntegerLimit)
            return AnsiToWide(std::to_string(static_cast<long long>(value)));
        return AnsiToWide(std::to_string(item->valueint));
    }
    if (cJSON_IsString(item) && item->valuestring != nullptr)
        return AnsiToWide(item->valuestring);
    return {};
}

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
    if (window->controls.provinceCombo != nullptr) {
        for (const std::u16string& text : ProvinceChoices())
            window->controls.provinceCombo->AddString(text);
        window->controls.provinceCombo->SetCurSel(0);
    }
    if (window->controls.carrierCombo != nullptr) {
        for (const std::u16string& text : CarrierChoices())
            window->controls.carrierCombo->AddString(text);
        window->controls.carrierCombo->SetCurSel(0);
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
    // A request that can only fail leaves the list and the rented numbers as they are: without a
    // project the service would refuse it, and releasing the numbers still waiting for their SMS
    // first would give them away for nothing.
    if (owner->projects == nullptr || owner->projects->GetSelectedProjectId().empty()) {
        ReportTip(kMsgNoProject, 0);
        return;
    }
    // The list is emptied only once the previous batch is settled: when the service cannot be
    // reached, its numbers stay rented (and journaled), so their rows stay too; only the rows of
    // numbers settled before the failure go.
    if (!ReleaseBatch() || !BlacklistBatch()) {
        DropSettledRows();
        return;
    }
    if (owner->numberList != nullptr)
        owner->numberList->ClearList();
    WaitForLeftovers();
    NumbersRead read;
    if (!FetchNumbers(read))
        return;
    // A damaged reply says so, with how many rented numbers it held; without one it changed nothing.
    auto reportDamage = [&] {
        std::string message =
            "正在获取手机号码...回复已损坏，其中有 " + std::to_string(read.salvaged) + " 个完整的手机号码。";
        if (read.transportError != 0)
            ReportTip(message, kSiteNumbersNetwork, std::to_string(read.transportError) + ".");
        else
            ReportTip(message, 0);
    };
    if (read.damaged && read.salvaged == 0) {
        reportDamage();
        return;
    }
    ListBatch();
    if (read.damaged) {
        reportDamage();
    } else {
        size_t count = batch.Records().size();
        ReportTip("正在获取手机号码...成功获取了 " + std::to_string(count) + " 个手机号码。", 0);
    }

    if (owner == nullptr) {
        ReportTip({}, kSiteAutoFetchWithoutWindow);
        return;
    }
    bool autoGetSms = owner->config != nullptr && owner->config->Snapshot().autoGetSms != 0;
    if (autoGetSms && owner->sms != nullptr)
        owner->sms->StartFetch();
}

bool PhoneNumManager::FetchNumbers(NumbersRead& read)
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
    std::string tlsProblem;
    int error = SendForm(*this, ServiceUrl(host, "/get_mobile"), body, reply, tlsProblem);
    if (error != 0) {
        // A reply that said success before its connection was lost held rented numbers: what of
        // them came is kept rather than lost with the reply.
        if (reply.partial && reply.code == kCodeSuccess) {
            read = ParseNumbers(reply.text, pid);
            if (!read.damaged) {
                read.damaged = true;
                read.salvaged = batch.Records().size();
            }
            read.transportError = error;
            return true;
        }
        ReportTip(kMsgNumbersNetwork + tlsProblem, kSiteNumbersNetwork, std::to_string(error) + ".");
        return false;
    }
    if (!RefuseUnlessSuccess(*this, reply, kMsgNumbersRefused))
        return false;
    read = ParseNumbers(reply.text, pid);
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

PhoneNumManager::NumbersRead PhoneNumManager::ParseNumbers(const std::string& reply, const std::u16string& pid)
{
    NumbersRead read;
    if (reply.empty()) {
        ReportTip({}, kSiteEmptyReply);
        return read;
    }
    // The records are read first and installed in one step, so the batch's lock is not held while
    // the field tips go out.
    JsonPtr root(cJSON_Parse(reply.c_str()));
    if (root != nullptr) {
        batch.Install(ReadList(root.get(), pid));
        return read;
    }
    ReportTip({}, kSiteNotJson);
    read.damaged = true;
    ListSalvage salvage = SalvageList(reply);
    if (!salvage.found)
        return read;
    std::vector<NumberRecord> records;
    if (JsonPtr whole(cJSON_Parse(salvage.wholePart.c_str())); whole != nullptr)
        records = ReadList(whole.get(), pid);
    if (JsonPtr cut(cJSON_Parse(salvage.cutMobile.c_str())); cut != nullptr) {
        // Where the record was cut is not known, so its place and carrier stay empty.
        std::u16string number = NumberText(cut.get());
        if (!number.empty())
            records.push_back({number, {}, {}, {}, pid});
    }
    read.salvaged = static_cast<size_t>(
        std::count_if(records.begin(), records.end(), [](const NumberRecord& r) { return !r[kFieldMobile].empty(); }));
    if (read.salvaged > 0)
        batch.Install(std::move(records));
    return read;
}

std::vector<NumberRecord> PhoneNumManager::ReadList(const void* root, const std::u16string& pid)
{
    std::vector<NumberRecord> records;
    const cJSON* list = cJSON_GetObjectItem(static_cast<const cJSON*>(root), "list");
    if (list == nullptr) {
        ReportTip({}, kSiteNoList);
        return records;
    }
    const cJSON* element = nullptr;
    cJSON_ArrayForEach(element, list)
    {
        records.push_back({ReadNumberField(element, "mobile"), ReadNumberField(element, "prov"),
                           ReadNumberField(element, "city"), ReadNumberField(element, "corp"), pid});
    }
    return records;
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
    if (cJSON_IsNumber(item))
        return NumberText(item);
    if (cJSON_IsString(item)) {
        if (item->valuestring == nullptr || item->valuestring[0] == '\0') {
            ReportTip({}, kSiteStringWithoutText);
            return {};
        }
        return NumberText(item);
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
    std::string pid;
    std::vector<std::u16string> picked;
    CollectSettlement(
        [this](const std::u16string& number) {
            return !batch.IsReceived(number) && !batch.IsMarkedForBlacklist(number) && !batch.IsOffline(number) &&
                   !batch.IsSettled(number);
        },
        kSiteReleaseEmptyRecord, kSiteReleaseNoPid, pid, picked);
    return SettleInRequests(
        picked,
        [&](const std::string& numbers) { return "token=" + token + "&pid_list=" + pid + "&mobile=" + numbers; },
        "/adv_release_mobile", !pid.empty(), kSiteReleaseInputs, kMsgReleaseNetwork, kSiteReleaseNetwork,
        kMsgReleaseRefused);
}

bool PhoneNumManager::SettleInRequests(const std::vector<std::u16string>& picked,
                                       const std::function<std::string(const std::string&)>& body,
                                       const std::string& path, bool inputsPresent, int emptySite,
                                       const std::string& networkMessage, int networkSite,
                                       const std::string& refusalPrefix)
{
    for (size_t first = 0; first < picked.size(); first += kNumbersPerSettleRequest) {
        std::vector<std::u16string> part(
            picked.begin() + static_cast<std::ptrdiff_t>(first),
            picked.begin() + static_cast<std::ptrdiff_t>(std::min(picked.size(), first + kNumbersPerSettleRequest)));
        std::string numbers;
        for (const std::u16string& number : part) {
            if (!numbers.empty())
                numbers += ",";
            numbers += WideToAnsi(number);
        }
        if (!SendSettlement(path, body(numbers), inputsPresent, emptySite, networkMessage, networkSite, refusalPrefix))
            return false;
        Settled(part);
    }
    return true;
}

void PhoneNumManager::CollectSettlement(const std::function<bool(const std::u16string&)>& wanted, int emptySite,
                                        int noPidSite, std::string& pid, std::vector<std::u16string>& picked)
{
    std::vector<NumberRecord> records = batch.Records();
    for (const NumberRecord& record : records) {
        if (record.empty()) {
            ReportTip({}, emptySite);
            break;
        }
        const std::u16string& number = record[kFieldMobile];
        if (wanted(number))
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
    std::string pid;
    std::vector<std::u16string> picked;
    CollectSettlement(
        [this](const std::u16string& number) { return batch.IsMarkedForBlacklist(number) && !batch.IsSettled(number); },
        kSiteBlacklistEmptyRecord, kSiteBlacklistNoPid, pid, picked);
    return SettleInRequests(
        picked,
        [&](const std::string& numbers) { return "token=" + token + "&pid=" + pid + "&mobile_list=" + numbers; },
        "/add_black", !pid.empty(), kSiteBlacklistInputs, kMsgBlacklistNetwork, kSiteBlacklistNetwork,
        kMsgBlacklistRefused);
}

void PhoneNumManager::Settled(const std::vector<std::u16string>& numbers)
{
    batch.MarkSettled(numbers);
    if (owner != nullptr && owner->journal != nullptr)
        owner->journal->Remove(numbers);
}

void PhoneNumManager::DropSettledRows()
{
    if (owner == nullptr || owner->numberList == nullptr)
        return;
    std::vector<std::u16string> settled;
    for (const NumberRecord& record : batch.Records())
        if (!record.empty() && batch.IsSettled(record[kFieldMobile]))
            settled.push_back(record[kFieldMobile]);
    if (!settled.empty())
        owner->numberList->RemoveRows(settled);
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
    if (reply.code == kCodeSuccess)
        return true;
    ReportTip(refusalPrefix + reply.code + reply.msg + HttpStatusNote(reply), 0);
    return false;
}

} // namespace kh
