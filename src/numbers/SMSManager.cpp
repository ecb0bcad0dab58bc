#include "numbers/SMSManager.h"

#include "base/AutoLock.h"
#include "base/ReplyFields.h"
#include "core/OwnerWindow.h"
#include "core/ServerRequest.h"
#include "core/ports/NotifierPort.h"
#include "core/ports/ToolBarPort.h"
#include "http/HttpErrors.h"
#include "numbers/CodeExtraction.h"
#include "numbers/NumberBatch.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <algorithm>

namespace kh {
namespace {

// Site codes of this module's internal tips.
enum Site : int
{
    kSiteSignalBusy = 1,
    kSiteClearStop = 2,
    kSiteNoOwnerOnStart = 3,
    kSiteWorkerThread = 4,
    kSiteSignalStop = 5,
    kSiteClearBusy = 6,
    kSiteHandoffWait = 7,
    kSiteRecordWithoutPid = 8,
    kSiteSlotWait = 9,
    kSitePollerThread = 10,
    kSiteTakeAllSlots = 11,
    kSiteGiveBackSlots = 12,
    kSitePollerSlotBack = 13,
    kSiteHandoffSignal = 14,
    kSiteNoToken = 15,
    kSitePollerInputs = 16,
    kSiteTokenNoOwner = 17,
    kSiteRequestInputs = 19,
    kSiteNetwork = 20,
    kSiteMissInputs = 21,
    kSiteSmsInputs = 22,
    kSiteExtractNoOwner = 23,
};

const char* const kMsgFetching = "正在获取短信...";
const char* const kMsgNoNumbers = "正在获取短信...获取失败！请先获取号码。";
const char* const kMsgFinished = "正在获取短信...获取完成。";
const char* const kMsgNetwork = "正在获取短信...网络连接失败，获取失败！";
const char* const kMsgRefused = "正在获取短信...获取失败！";
const char* const kMsgOffline = "手机号码已经下线或者释放，获取短信被中断！";
const char* const kMsgExtractFailed = "自动提取验证码失败，请检查“提取规则”是否设置正确！";

const std::u16string kCellPolling = u"正在获取";
const std::u16string kCellOffline = u"获取中断";
const std::u16string kCellNotYet = u"暂未收到";
const std::u16string kCellFailed = u"获取失败";
const std::u16string kCellStopped = u"获取停止";
const std::u16string kCellTimedOut = u"获取超时";
const std::u16string kCellExtractFailed = u"提取失败";
const std::u16string kCellNotExtracted = u"未提取";

// The settings of one decision, copied together in one hold of the settings lock. Without a
// settings record the record's defaults apply.
SettingsValues CopySettings(OwnerWindow* owner)
{
    ConfigCenter* config = owner != nullptr ? owner->config : nullptr;
    return config != nullptr ? config->Snapshot() : DefaultSettings();
}

} // namespace

SMSManager::SMSManager(OwnerWindow* owner, TipCallback callback, void* context)
    : Manager("SMSManager.", owner, callback, context), clipboard(callback, context)
{
}

SMSManager::~SMSManager()
{
    // The fetch worker and every poller are counted threads of the manager: the stop ends the
    // waiting pollers at once, and the wait covers a poller still returning from giving its slot
    // back after the fetch worker has seen all slots free.
    StopAndWait();
}

void SMSManager::StartFetch()
{
    if (busyEvent.Wait(0))
        return;
    if (!busyEvent.Set()) {
        ReportTip({}, kSiteSignalBusy);
        return;
    }
    // On every way out below no fetch runs, so the busy state is cleared again: otherwise the
    // dispatcher would stop a fetch that never ran and the release steps would wait for ever.
    if (!stopEvent.Reset()) {
        ReportTip({}, kSiteClearStop);
        busyEvent.Reset();
        return;
    }
    if (owner == nullptr) {
        ReportTip({}, kSiteNoOwnerOnStart);
        busyEvent.Reset();
        return;
    }
    pollList.clear();
    if (owner->batch != nullptr)
        owner->batch->GetActiveNumbers(pollList);
    Launch launch = LaunchThread([this] {
        FetchJob();
        if (!busyEvent.Reset())
            ReportTip({}, kSiteClearBusy);
    });
    if (launch != Launch::Started) {
        if (launch == Launch::Failed)
            ReportTip({}, kSiteWorkerThread);
        pollList.clear();
        busyEvent.Reset();
    }
}

void SMSManager::StopFetch()
{
    SignalStop(kSiteSignalStop);
}

void SMSManager::FetchJob()
{
    ReportTip(kMsgFetching, 0);
    if (pollList.empty()) {
        ReportTip(kMsgNoNumbers, 0);
        return;
    }
    SetFetchButtonChecked(true);
    for (const NumberRecord& record : pollList) {
        StartPoller(record);
        if (stopEvent.Wait(0))
            break;
    }
    WaitForPollers();
    pollList.clear();
    SetFetchButtonChecked(false);
    ReportTip(kMsgFinished, 0);
}

void SMSManager::StartPoller(const NumberRecord& record)
{
    // The hand-off is one place: the starter takes handoffEvent's signal before it writes the
    // current number and pid, the poller gives it back once it has copied them. A poller that
    // never starts cannot give it back, so every early way out here signals it again (and gives
    // back a slot it took); otherwise the next start and the final wait would block for ever.
    if (!handoffEvent.Wait(kInfinite)) {
        ReportTip({}, kSiteHandoffWait);
        handoffEvent.Set();
        return;
    }
    if (record.size() <= kFieldPid) {
        ReportTip({}, kSiteRecordWithoutPid);
        handoffEvent.Set();
        return;
    }
    currentNumber = record[kFieldMobile];
    currentPid = record[kFieldPid];
    if (!pollerSlots.Wait(kInfinite)) {
        ReportTip({}, kSiteSlotWait);
        handoffEvent.Set();
        return;
    }
    Launch launch = LaunchThread([this] { PollNumber(); });
    if (launch != Launch::Started) {
        // Closed means the manager is going away: its stop is already signalled, so the fetch
        // starts no further pollers and ends.
        if (launch == Launch::Failed)
            ReportTip({}, kSitePollerThread);
        pollerSlots.Release(1);
        handoffEvent.Set();
    }
}

void SMSManager::WaitForPollers()
{
    long taken = 0;
    for (; taken < kMaxPollers; ++taken) {
        if (!pollerSlots.Wait(kInfinite)) {
            ReportTip({}, kSiteTakeAllSlots);
            break;
        }
    }
    for (long i = 0; i < taken; ++i) {
        if (!pollerSlots.Release(1)) {
            ReportTip({}, kSiteGiveBackSlots);
            return;
        }
    }
}

void SMSManager::PollNumber()
{
    long running = ++runningPollers;
    long peak = peakPollers.load();
    while (running > peak && !peakPollers.compare_exchange_weak(peak, running)) {
    }

    std::u16string number = currentNumber;
    std::u16string pid = currentPid;
    bool handedOff = handoffEvent.Set();
    if (!handedOff) {
        ReportTip({}, kSiteHandoffSignal);
    } else {
        std::string token = ReadToken(kSiteTokenNoOwner);
        if (token.empty()) {
            ReportTip({}, kSiteNoToken);
        } else if (owner == nullptr || number.empty()) {
            ReportTip({}, kSitePollerInputs);
        } else {
            SetSmsCell(number, kCellPolling);
            uint32_t start = TickCount();
            std::string lastCode;
            for (;;) {
                std::u16string sms;
                if (RequestSms(token, pid, number, sms, lastCode)) {
                    HandleSms(number, sms);
                    break;
                }
                if (!HandleMiss(start, number, lastCode))
                    break;
            }
        }
    }

    // The fetch worker may end the fetch as soon as it has all slots again; after the slot has
    // been given back only the thread's count in the manager is touched (by LaunchThread).
    --runningPollers;
    if (!pollerSlots.Release(1))
        ReportTip({}, kSitePollerSlotBack);
}

bool SMSManager::RequestSms(const std::string& token, const std::u16string& pid, const std::u16string& number,
                            std::u16string& sms, std::string& lastCode)
{
    if (token.empty() || pid.empty() || number.empty()) {
        ReportTip({}, kSiteRequestInputs);
        return false;
    }
    std::string host = owner != nullptr && owner->config != nullptr ? owner->config->GetApiHost() : std::string();
    std::string body = "token=" + token + "&pid=" + WideToAnsi(pid) + "&mobile=" + WideToAnsi(number);
    ServerReply reply;
    std::string tlsProblem;
    int error = SendForm(*this, ServiceUrl(host, "/get_sms"), body, reply, tlsProblem);
    // A request cut short because fetching is being stopped ends the poller quietly: the stop is
    // how polling normally ends, not a network failure.
    if (error == kErrStopped)
        return false;
    if (error != 0) {
        ReportTip(kMsgNetwork + tlsProblem, kSiteNetwork, std::to_string(error) + ".");
        return false;
    }
    lastCode = reply.code;
    if (reply.code == kCodeNumberOffline || reply.code == kCodeNoSmsYet)
        return false;
    if (!RefuseUnlessSuccess(*this, reply, kMsgRefused))
        return false;
    sms = AnsiToWide(GetReplyString(reply.text, "\"sms_content\":\""));
    return true;
}

bool SMSManager::HandleMiss(uint32_t start, const std::u16string& number, const std::string& lastCode)
{
    if (owner == nullptr || number.empty()) {
        ReportTip({}, kSiteMissInputs);
        return false;
    }
    if (lastCode == kCodeNumberOffline) {
        if (owner->batch != nullptr)
            owner->batch->MarkOffline(number);
        SetSmsCell(number, kCellOffline);
        ReportTip(kMsgOffline, 0);
        return false;
    }
    SettingsValues settings = CopySettings(owner);
    if (settings.autoGetSms == 0) {
        SetSmsCell(number, lastCode == kCodeNoSmsYet ? kCellNotYet : kCellFailed);
        return false;
    }
    uint32_t interval = settings.spaceTime;
    if (interval < kMinIntervalMs) {
        interval = kMinIntervalMs;
        if (!intervalRaisedSaid.exchange(true))
            ReportTip("获取短信的间隔 GetSMSConfig_SpaceTime 为 " + std::to_string(settings.spaceTime) +
                          " 毫秒，低于 " + std::to_string(kMinIntervalMs) + " 毫秒的下限，已按 " +
                          std::to_string(kMinIntervalMs) + " 毫秒获取。",
                      0);
    }
    // No wait outlasts the time-out: a number times out at its own deadline, whatever the interval.
    uint32_t elapsed = TicksSince(start);
    uint32_t left = elapsed < settings.timeoutTime ? settings.timeoutTime - elapsed : 0;
    if (stopEvent.Wait(std::min(interval, left))) {
        SetSmsCell(number, kCellStopped);
        return false;
    }
    if (TicksSince(start) >= settings.timeoutTime) {
        SetSmsCell(number, kCellTimedOut);
        return false;
    }
    return true;
}

void SMSManager::HandleSms(const std::u16string& number, const std::u16string& sms)
{
    AutoLock guard(tipCallback, tipContext, &lock);
    if (owner == nullptr || number.empty() || sms.empty()) {
        ReportTip({}, kSiteSmsInputs);
        return;
    }
    SetSmsCell(number, sms);
    SettingsValues settings = CopySettings(owner);
    // The list orders the arrival among the rows that received earlier, so it must still see
    // this number as not received: the move comes before the mark.
    if (settings.listAutoSort != 0 && owner->numberList != nullptr)
        owner->numberList->MoveRowUp(number);
    if (owner->batch != nullptr)
        owner->batch->MarkReceived(number);
    if (settings.autoExtractCode == 0) {
        SetCodeCell(number, kCellNotExtracted);
        return;
    }
    std::u16string code = ExtractCode(sms);
    if (code.empty()) {
        SetCodeCell(number, kCellExtractFailed);
        ReportTip(kMsgExtractFailed, 0);
    } else {
        SetCodeCell(number, code);
        AnnounceCode(settings, number, code);
    }
}

void SMSManager::AnnounceCode(const SettingsValues& settings, const std::u16string& number, const std::u16string& code)
{
    // The code is in its cell first, so what the notice points to is already in the list. Both
    // port calls return without waiting for anything outside the client (the notice is only
    // handed over), so they may run under this manager's lock like the cell writes.
    if (settings.autoCopyCode != 0)
        clipboard.CopyText(owner->controls.clipboard, code);
    if (settings.notifyOnCode != 0 && owner->controls.notifier != nullptr)
        owner->controls.notifier->NotifyCode(number, code);
}

void SMSManager::SetSmsCell(const std::u16string& number, const std::u16string& text)
{
    if (owner != nullptr && owner->numberList != nullptr)
        owner->numberList->SetCell(number, kColumnSms, text);
}

void SMSManager::SetCodeCell(const std::u16string& number, const std::u16string& text)
{
    if (owner != nullptr && owner->numberList != nullptr)
        owner->numberList->SetCell(number, kColumnCode, text);
}

void SMSManager::SetFetchButtonChecked(bool checked)
{
    if (owner != nullptr && owner->controls.toolBar != nullptr)
        owner->controls.toolBar->SetButtonChecked(kIdGetSms, checked);
}

std::u16string SMSManager::ExtractCode(const std::u16string& sms)
{
    if (owner == nullptr) {
        ReportTip({}, kSiteExtractNoOwner);
        return {};
    }
    return ExtractCodeByRule(RuleOf(CopySettings(owner)), sms);
}

} // namespace kh
