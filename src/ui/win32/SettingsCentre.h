#pragma once
// The settings centre (dialog resource 136): a modeless dialog with a tab control and two pages,
// "获取短信" (dialog 138: the polling interval and time-out, and what happens when a code arrives)
// and "提取规则" (dialog 137: the four extraction modes, their fields and the help text). Made hidden
// once; the settings-centre port selects a page, centres and shows it. OK, Cancel (also Escape and
// the close box) and the mode buttons arrive at the callback members; the dialog only hides itself
// when the owner says so. Enter and Escape inside a page do nothing.

#include "core/ports/SettingsCentrePort.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Dialog.h"

#include <array>
#include <functional>
#include <vector>

namespace kh::win32 {

class SettingsCentre final : public Dialog, public SettingsCentrePort
{
public:
    std::function<void()> onOk;
    std::function<void()> onCancel;
    // A mode button was clicked: the mode, 0 to 3.
    std::function<void(int mode)> onModeClicked;
    // The user chose another tab: its index.
    std::function<void(int page)> onPageChanged;

    // Creates the centre hidden, owned by owner, with both pages, showing page 0. GUI thread.
    bool CreateHidden(HWND owner);

    // SettingsCentrePort; any thread.
    void SelectPage(int page) override;
    void Centre() override;
    void Show() override;

    // Hides the centre. GUI thread.
    void Hide();
    // Enables the fields of mode and disables those of the other modes. GUI thread.
    void EnableMode(int mode);
    // Enables or disables the labels and fields of one mode (smart extraction has none). GUI
    // thread.
    void EnableModeFields(int mode, bool enabled);

    TabControl tabs;
    Dialog smsPage;
    Dialog rulePage;
    Edit intervalBox;
    Edit timeoutBox;
    CheckBox notifyBox;
    CheckBox autoCopyBox;
    // The mode buttons in mode order: smart, between, after, before.
    std::array<Button, 4> modeButtons;
    Edit betweenHeadBox;
    Edit betweenTailBox;
    Edit afterKeywordBox;
    Edit afterCountBox;
    Edit beforeKeywordBox;
    Edit beforeCountBox;
    Edit helpBox;

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

} // namespace kh::win32
