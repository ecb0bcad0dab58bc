#include "app/Dispatcher.h"

#include "account/UpdateManager.h"
#include "account/UserInfoManager.h"
#include "app/TipsBox.h"
#include "core/OwnerWindow.h"
#include "core/ports/ComboBoxPort.h"
#include "core/ports/MainWindowPort.h"
#include "core/ports/MessageBoxPort.h"
#include "core/ports/SettingsCentrePort.h"
#include "core/ports/ShellPort.h"
#include "core/ports/TextBoxPort.h"
#include "core/ports/ToolBarPort.h"
#include "core/ports/TrayIconPort.h"
#include "numbers/CodeExtraction.h"
#include "numbers/LeftoverManager.h"
#include "numbers/PhoneNumManager.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "numbers/SMSManager.h"
#include "platform/TextCodec.h"
#include "projects/ProjectManager.h"
#include "settings/ConfigCenter.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace kh {

namespace {

constexpr const char16_t* kNoRestriction = u"不限";

void AddTip(OwnerWindow* owner, const std::u16string& text)
{
    if (owner->tipsBox != nullptr)
        owner->tipsBox->AddTip(text);
}

// The tray icon reports as its own module would.
void TrayTip(OwnerWindow* owner, int site)
{
    ReportTip(&ShowTip, owner, "TrayIcon.", {}, site, {});
}

void AddTrayIcon(OwnerWindow* owner)
{
    if (owner->controls.trayIcon == nullptr) {
        TrayTip(owner, 1);
        return;
    }
    if (!owner->controls.trayIcon->AddIcon())
        TrayTip(owner, 3);
}

void RemoveTrayIcon(OwnerWindow* owner)
{
    if (owner->controls.trayIcon != nullptr && !owner->controls.trayIcon->RemoveIcon())
        TrayTip(owner, 4);
}

void ToggleWindow(OwnerWindow* owner, int32_t mouseMessage)
{
    if (mouseMessage != kTrayLeftButtonDown || owner->controls.window == nullptr)
        return;
    if (owner->controls.window->IsVisible()) {
        owner->controls.window->Hide();
    } else {
        owner->controls.window->Show();
        owner->controls.window->SwitchTo();
    }
}

std::u16string ChoiceText(ComboBoxPort* combo)
{
    if (combo == nullptr)
        return {};
    std::u16string text = combo->GetWindowText();
    return text == kNoRestriction ? std::u16string() : text;
}

// The count box holds an unsigned decimal number; anything else counts as 0, which the number job
// refuses with its own tip.
uint32_t ReadCount(TextBoxPort* box)
{
    if (box == nullptr)
        return 0;
    std::u16string text = box->GetWindowText();
    size_t begin = text.find_first_not_of(u' ');
    size_t end = text.find_last_not_of(u' ');
    if (begin == std::u16string::npos)
        return 0;
    uint64_t value = 0;
    for (size_t i = begin; i <= end; ++i) {
        char16_t c = text[i];
        if (c < u'0' || c > u'9')
            return 0;
        value = value * 10 + static_cast<uint64_t>(c - u'0');
        if (value > 0xFFFFFFFFull)
            return 0;
    }
    return static_cast<uint32_t>(value);
}

void GetNumbers(OwnerWindow* owner)
{
    std::u16string province = ChoiceText(owner->controls.provinceCombo);
    std::u16string carrier = ChoiceText(owner->controls.carrierCombo);
    uint32_t count = ReadCount(owner->controls.countBox);
    if (owner->numbers != nullptr)
        owner->numbers->GetNumbers(count, province, carrier);
    if (owner->userInfo != nullptr)
        owner->userInfo->StartRefresh();
}

bool NumbersBusy(OwnerWindow* owner)
{
    return owner->numbers != nullptr && owner->numbers->IsBusy();
}

void ToggleSmsFetch(OwnerWindow* owner)
{
    if (owner->sms == nullptr || NumbersBusy(owner))
        return;
    if (owner->sms->IsBusy())
        owner->sms->StopFetch();
    else
        owner->sms->StartFetch();
}

void ShowExtractRulePage(OwnerWindow* owner)
{
    if (owner->controls.settingsCentre == nullptr)
        return;
    owner->controls.settingsCentre->SelectPage(SettingsCentrePort::kExtractRulePage);
    owner->controls.settingsCentre->Centre();
    owner->controls.settingsCentre->Show();
}

void CheckExtractRule(OwnerWindow* owner)
{
    if (owner->config == nullptr)
        return;
    if (!IsRuleValid(RuleOf(owner->config->Snapshot())))
        ShowExtractRulePage(owner);
}

void ShowSettingsCentre(OwnerWindow* owner)
{
    if (owner->controls.settingsCentre == nullptr)
        return;
    owner->controls.settingsCentre->Centre();
    owner->controls.settingsCentre->Show();
}

// Opens the web site's sign-in hand-over page with a jump target. The token goes into the address
// as it is: the site reads it unencoded.
void OpenWebPage(OwnerWindow* owner, const char* jump, bool projectHint)
{
    if (owner->config == nullptr || owner->controls.shell == nullptr)
        return;
    std::string token = owner->config->GetToken();
    std::string site = owner->config->Snapshot().webSite;
    std::u16string url = AnsiToWide("http://" + site + "/oauth.aspx?token=") + AnsiToWide(token) +
                         AnsiToWide(std::string("&jump=") + jump);
    if (owner->controls.shell->OpenUrl(url) > 32 && projectHint)
        AddTip(owner, u"管理完项目后，请重新打开本软件！");
}

void ApplyWindowTop(OwnerWindow* owner)
{
    if (owner->config == nullptr)
        return;
    bool on = owner->config->Snapshot().windowTop != 0;
    if (owner->controls.toolBar != nullptr)
        owner->controls.toolBar->SetButtonChecked(kIdWindowTop, on);
    if (owner->controls.window != nullptr)
        owner->controls.window->SetTopMost(on);
}

void ToggleWindowTop(OwnerWindow* owner)
{
    if (owner->config == nullptr)
        return;
    owner->config->Update([](SettingsValues& values) { values.windowTop = values.windowTop != 0 ? 0 : 1; });
    ApplyWindowTop(owner);
}

// The job settling an earlier run's numbers is let finish too: it ends after a few requests, and
// its tip then reaches the log saved below.
bool AnyManagerBusy(OwnerWindow* owner)
{
    return (owner->projects != nullptr && owner->projects->IsBusy()) ||
           (owner->userInfo != nullptr && owner->userInfo->IsBusy()) ||
           (owner->updates != nullptr && owner->updates->IsBusy()) || NumbersBusy(owner) ||
           (owner->leftovers != nullptr && owner->leftovers->IsBusy());
}

bool Shutdown(OwnerWindow* owner)
{
    // Without a box to ask there is no confirmation, and nothing closes.
    if (owner->controls.messageBox == nullptr ||
        owner->controls.messageBox->Show(kShutdownQuestion, kShutdownCaption,
                                         kMbOkCancel | kMbIconQuestion | kMbDefButton2, true) != kIdOk)
        return false;
    AddTip(owner, u"正在关闭软件...");
    if (owner->config != nullptr)
        owner->config->Save();
    if (owner->projects != nullptr)
        owner->projects->StopFetching();
    if (owner->userInfo != nullptr)
        owner->userInfo->StopRefresh();
    if (owner->updates != nullptr)
        owner->updates->StopVersionCheck();
    // The stopped managers end within a second of their stop (a request in flight ends by its
    // time-out); a running number job is let finish before its numbers are settled.
    while (AnyManagerBusy(owner))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (owner->numbers != nullptr) {
        owner->numbers->ReleaseBatch();
        owner->numbers->BlacklistBatch();
    }
    AddTip(owner, u"正在关闭软件...关闭完成。");
    // Posted behind every tip raised so far; with the inline executor the log file is written
    // when the call returns.
    if (owner->tipsBox != nullptr)
        owner->tipsBox->SaveAndClear();
    RemoveTrayIcon(owner);
    if (owner->controls.window != nullptr)
        owner->controls.window->PostClose();
    return true;
}

} // namespace

bool DispatchCommand(OwnerWindow* owner, const Command& record)
{
    if (record.code < kCmdFirst || record.code > kCmdLast || owner == nullptr)
        return false;
    switch (record.code) {
    case kCmdAddTrayIcon:
        AddTrayIcon(owner);
        break;
    case kCmdShutdown:
        return Shutdown(owner);
    case kCmdTrayNotify:
        ToggleWindow(owner, record.argument);
        break;
    case kCmdFetchProjects:
        if (owner->projects != nullptr)
            owner->projects->StartFetchProjects();
        break;
    case kCmdShowProjectInfo:
        if (owner->projects != nullptr)
            owner->projects->ShowProjectInfo(record.argument);
        break;
    case kCmdSearchProjects:
        if (owner->projects != nullptr)
            owner->projects->SearchProjects(
                owner->controls.searchBox != nullptr ? owner->controls.searchBox->GetWindowText() : std::u16string());
        break;
    case kCmdSetupChoices:
        if (owner->numbers != nullptr)
            owner->numbers->SetupChoices(owner);
        break;
    case kCmdSetupList:
        if (owner->numberList != nullptr)
            owner->numberList->SetupList(owner->controls.numberListView);
        break;
    case kCmdGetNumbers:
        GetNumbers(owner);
        break;
    case kCmdToggleSmsFetch:
        ToggleSmsFetch(owner);
        break;
    case kCmdAutoGetSmsChecked:
        if (owner->sms != nullptr && !NumbersBusy(owner))
            owner->sms->StartFetch();
        break;
    case kCmdExtractRule:
        ShowExtractRulePage(owner);
        break;
    case kCmdAutoExtractChecked:
        CheckExtractRule(owner);
        break;
    case kCmdSortColumn:
        if (record.argument >= 0 && owner->numberList != nullptr)
            owner->numberList->SortByColumn(record.argument);
        break;
    case kCmdRefreshUserInfo:
        if (owner->userInfo != nullptr)
            owner->userInfo->StartRefresh();
        break;
    case kCmdCopyNumber:
        if (owner->numberList != nullptr)
            owner->numberList->CopyNumber();
        break;
    case kCmdCopySms:
        if (owner->numberList != nullptr)
            owner->numberList->CopySms();
        break;
    case kCmdCopyCode:
        if (owner->numberList != nullptr)
            owner->numberList->CopyCode();
        break;
    case kCmdBlacklistSelected:
        if (owner->numberList != nullptr && !NumbersBusy(owner))
            owner->numberList->BlacklistSelected();
        break;
    case kCmdSettingsCentre:
        ShowSettingsCentre(owner);
        break;
    case kCmdProjectManagement:
        OpenWebPage(owner, "project", true);
        break;
    case kCmdRecharge:
        OpenWebPage(owner, "pay", false);
        break;
    case kCmdToggleWindowTop:
        ToggleWindowTop(owner);
        break;
    case kCmdApplyWindowTop:
        ApplyWindowTop(owner);
        break;
    case kCmdVersionCheck:
        if (owner->updates != nullptr)
            owner->updates->StartVersionCheck();
        break;
    case kCmdProjectLink:
        OpenWebPage(owner, "transfer", false);
        break;
    default:
        break;
    }
    return false;
}

CommandQueue::Dispatcher MakeDispatcher(OwnerWindow* owner)
{
    return [owner](const Command& record) { return DispatchCommand(owner, record); };
}

} // namespace kh
