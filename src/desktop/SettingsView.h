#pragma once
// The settings centre as its presenter sees it: a modeless dialog with two pages (the port part,
// SettingsCentrePort, is what the command worker calls: select a page, centre, show). Its fields
// are texts the presenter writes and reads back, its two code options check boxes, its four mode
// radio buttons one checked mode; the labels and fields of each mode are enabled or disabled
// together; a prompt is a modal warning box. The view reports to SettingsPresenter: being shown by
// the program (not restored by the window system), a click on a mode's radio button, OK and Cancel
// (Escape and the close box). It decides nothing itself (thread rule in desktop/AppPresenter.h;
// the port calls come from the command worker and are carried to the GUI thread by the view).

#include "core/ports/SettingsCentrePort.h"

#include <string>

namespace kh::desktop {

class SettingsPresenter;

enum class SettingsField
{
    // The SMS page.
    Interval,
    Timeout,
    // The rule page.
    BetweenHead,
    BetweenTail,
    AfterKeyword,
    AfterCount,
    BeforeKeyword,
    BeforeCount,
};

enum class SettingsOption
{
    NotifyOnCode,
    AutoCopyCode,
};

class SettingsView : public SettingsCentrePort
{
public:
    // Where the reports go from now on; null: nowhere.
    virtual void SetPresenter(SettingsPresenter* presenter) = 0;

    virtual std::u16string FieldText(SettingsField field) = 0;
    virtual void SetFieldText(SettingsField field, const std::u16string& text) = 0;
    virtual bool IsOptionChecked(SettingsOption option) = 0;
    virtual void SetOptionChecked(SettingsOption option, bool checked) = 0;
    // Checks the radio button of mode (0 to 3); this is not a click and reports nothing.
    virtual void SetMode(int mode) = 0;
    virtual void SetHelpText(const std::u16string& text) = 0;
    // The labels and fields of mode's rows (smart extraction has none).
    virtual void EnableModeFields(int mode, bool enabled) = 0;

    // The page the user has in front of them; -1 when the view cannot tell, which the presenter
    // takes as every page.
    virtual int CurrentPage() { return -1; }

    // A modal warning box with text, captioned as the dialog is.
    virtual void ShowPrompt(const std::u16string& text) = 0;
    // Puts the keyboard focus into field, its text selected.
    virtual void FocusField(SettingsField field) = 0;
    // Hides the dialog (it is shown again later).
    virtual void Close() = 0;
};

} // namespace kh::desktop
