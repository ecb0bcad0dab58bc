#pragma once
// The settings centre as the settings presenter's view (desktop/SettingsView.h) and the session's
// settings-centre port: the modeless dialog resource (SettingsCentre), made hidden and owned by the
// main window. The port's Show (from the command worker, carried to the GUI thread) tells the
// presenter that the program shows the centre, so both pages are loaded from the settings first.
// OK, Cancel (Escape, the close box) and the mode buttons are reported to the presenter; prompts
// are modal warning boxes over the centre. Decides nothing itself.

#include "desktop/SettingsView.h"
#include "ui/win32/SettingsCentre.h"

namespace kh::win32 {

class SettingsWindow final : public desktop::SettingsView
{
public:
    SettingsWindow();
    SettingsWindow(const SettingsWindow&) = delete;
    SettingsWindow& operator=(const SettingsWindow&) = delete;

    // Makes the centre, hidden, owned by owner. GUI thread.
    bool Create(HWND owner);

    // SettingsCentrePort; any thread.
    void SelectPage(int page) override;
    void Centre() override;
    void Show() override;

    // SettingsView; GUI thread.
    void SetPresenter(desktop::SettingsPresenter* presenter) override;
    std::u16string FieldText(desktop::SettingsField field) override;
    void SetFieldText(desktop::SettingsField field, const std::u16string& text) override;
    bool IsOptionChecked(desktop::SettingsOption option) override;
    void SetOptionChecked(desktop::SettingsOption option, bool checked) override;
    void SetMode(int mode) override;
    void SetHelpText(const std::u16string& text) override;
    void EnableModeFields(int mode, bool enabled) override;
    // The tab the user has in front of them.
    int CurrentPage() override;
    void ShowPrompt(const std::u16string& text) override;
    void FocusField(desktop::SettingsField field) override;
    void Close() override;

    SettingsCentre& Dialog() { return centre; }

private:
    Edit& Field(desktop::SettingsField field);

    desktop::SettingsPresenter* presenter = nullptr;
    SettingsCentre centre;
};

} // namespace kh::win32
