#include "ui/win32/SettingsCentre.h"

#include "ui/win32/GuiThread.h"
#include "ui/win32/ResourceIds.h"

namespace kh::win32 {

namespace {

constexpr int kModeButtonIds[4] = {IDC_MODE_SMART, IDC_MODE_BETWEEN, IDC_MODE_AFTER, IDC_MODE_BEFORE};

// The labels and fields of each mode (smart extraction has none).
const std::vector<int> kModeControls[4] = {
    {},
    {IDC_BETWEEN_LABEL1, IDC_BETWEEN_HEAD, IDC_BETWEEN_LABEL2, IDC_BETWEEN_LABEL3, IDC_BETWEEN_TAIL,
     IDC_BETWEEN_LABEL4},
    {IDC_AFTER_LABEL1, IDC_AFTER_KEYWORD, IDC_AFTER_LABEL2, IDC_AFTER_COUNT, IDC_AFTER_LABEL3},
    {IDC_BEFORE_LABEL1, IDC_BEFORE_KEYWORD, IDC_BEFORE_LABEL2, IDC_BEFORE_COUNT, IDC_BEFORE_LABEL3},
};

} // namespace

bool SettingsCentre::CreateHidden(HWND owner)
{
    return Create(IDD_SETTINGS_CENTRE, owner);
}

bool SettingsCentre::OnInitDialog()
{
    Bind(tabs, IDC_SETTINGS_TABS);
    // Pages are children of the centre, placed over the tab control's display area, so the
    // keyboard moves through them as through the centre's own controls.
    if (tabs.AddTab(u"获取短信") == 0 && tabs.AddTab(u"提取规则") == 1 && smsPage.Create(IDD_GET_SMS_PAGE, hwnd) &&
        rulePage.Create(IDD_EXTRACT_RULE_PAGE, hwnd)) {
        tabs.SetPage(kGetSmsPage, smsPage.Handle());
        tabs.SetPage(kExtractRulePage, rulePage.Handle());
        // The pages go behind the buttons and in front of the tab control in the tab order.
        SetWindowPos(smsPage.Handle(), tabs.Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(rulePage.Handle(), tabs.Handle(), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    smsPage.Bind(intervalBox, IDC_SMS_INTERVAL);
    smsPage.Bind(timeoutBox, IDC_SMS_TIMEOUT);
    smsPage.Bind(notifyBox, IDC_NOTIFY_ON_CODE);
    smsPage.Bind(autoCopyBox, IDC_AUTO_COPY_CODE);
    for (int mode = 0; mode < 4; ++mode) {
        rulePage.Bind(modeButtons[static_cast<size_t>(mode)], kModeButtonIds[mode]);
        modeButtons[static_cast<size_t>(mode)].onClick = [this, mode] {
            if (onModeClicked)
                onModeClicked(mode);
        };
    }
    rulePage.Bind(betweenHeadBox, IDC_BETWEEN_HEAD);
    rulePage.Bind(betweenTailBox, IDC_BETWEEN_TAIL);
    rulePage.Bind(afterKeywordBox, IDC_AFTER_KEYWORD);
    rulePage.Bind(afterCountBox, IDC_AFTER_COUNT);
    rulePage.Bind(beforeKeywordBox, IDC_BEFORE_KEYWORD);
    rulePage.Bind(beforeCountBox, IDC_BEFORE_COUNT);
    rulePage.Bind(helpBox, IDC_RULE_HELP);
    // Enter and Escape inside a page reach the page as IDOK / IDCANCEL and stop there.
    auto swallow = [](int id, int) { return id == IDOK || id == IDCANCEL; };
    smsPage.onCommand = swallow;
    rulePage.onCommand = swallow;
    tabs.onSelectionChanged = [this](int page) {
        if (onPageChanged)
            onPageChanged(page);
    };
    tabs.Select(kGetSmsPage);
    return Dialog::OnInitDialog();
}

void SettingsCentre::SelectPage(int page)
{
    OnGuiThread([&] { tabs.Select(page); });
}

void SettingsCentre::Centre()
{
    OnGuiThread([&] { CentreOnScreen(); });
}

void SettingsCentre::Show()
{
    OnGuiThread([&] {
        if (hwnd == nullptr)
            return;
        ShowWindow(hwnd, SW_SHOW);
        SetForegroundWindow(hwnd);
    });
}

void SettingsCentre::Hide()
{
    if (hwnd != nullptr)
        ShowWindow(hwnd, SW_HIDE);
}

void SettingsCentre::EnableMode(int mode)
{
    for (int group = 0; group < 4; ++group)
        EnableModeFields(group, group == mode);
}

void SettingsCentre::EnableModeFields(int mode, bool enabled)
{
    if (mode < 0 || mode >= 4)
        return;
    for (int id : kModeControls[mode]) {
        HWND control = rulePage.Item(id);
        if (control != nullptr)
            EnableWindow(control, enabled);
    }
}

bool SettingsCentre::OnCommand(int id, int code, HWND control)
{
    if (id == IDOK) {
        if (onOk)
            onOk();
        return true;
    }
    if (id == IDCANCEL) {
        if (onCancel)
            onCancel();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool SettingsCentre::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_CLOSE) {
        if (onCancel)
            onCancel();
        result = 0;
        return true;
    }
    return Dialog::OnMessage(message, wParam, lParam, result);
}

} // namespace kh::win32
