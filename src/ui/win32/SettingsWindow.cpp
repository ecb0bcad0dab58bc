#include "ui/win32/SettingsWindow.h"

#include "desktop/SettingsPresenter.h"
#include "ui/win32/GuiThread.h"

namespace kh::win32 {

namespace {

// The edit control keeps its lines apart with CR LF.
std::u16string WithCrLf(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r'))
            out += u'\r';
        out += text[i];
    }
    return out;
}

} // namespace

SettingsWindow::SettingsWindow()
{
    centre.onOk = [this] {
        if (presenter != nullptr)
            presenter->OnOk();
    };
    centre.onCancel = [this] {
        if (presenter != nullptr)
            presenter->OnCancel();
    };
    centre.onModeClicked = [this](int mode) {
        if (presenter != nullptr)
            presenter->OnModeClicked(mode);
    };
}

bool SettingsWindow::Create(HWND owner)
{
    return centre.CreateHidden(owner);
}

void SettingsWindow::SelectPage(int page)
{
    centre.SelectPage(page);
}

int SettingsWindow::CurrentPage()
{
    return centre.tabs.Selected();
}

void SettingsWindow::Centre()
{
    centre.Centre();
}

void SettingsWindow::Show()
{
    OnGuiThread([&] {
        // Shown by the program: the pages show the settings as they are now.
        if (presenter != nullptr)
            presenter->OnShown();
        centre.Show();
    });
}

void SettingsWindow::SetPresenter(desktop::SettingsPresenter* owner)
{
    presenter = owner;
}

Edit& SettingsWindow::Field(desktop::SettingsField field)
{
    switch (field) {
    case desktop::SettingsField::Interval:
        return centre.intervalBox;
    case desktop::SettingsField::Timeout:
        return centre.timeoutBox;
    case desktop::SettingsField::BetweenHead:
        return centre.betweenHeadBox;
    case desktop::SettingsField::BetweenTail:
        return centre.betweenTailBox;
    case desktop::SettingsField::AfterKeyword:
        return centre.afterKeywordBox;
    case desktop::SettingsField::AfterCount:
        return centre.afterCountBox;
    case desktop::SettingsField::BeforeKeyword:
        return centre.beforeKeywordBox;
    case desktop::SettingsField::BeforeCount:
        break;
    }
    return centre.beforeCountBox;
}

std::u16string SettingsWindow::FieldText(desktop::SettingsField field)
{
    return Field(field).GetWindowText();
}

void SettingsWindow::SetFieldText(desktop::SettingsField field, const std::u16string& text)
{
    Field(field).SetWindowText(text);
}

bool SettingsWindow::IsOptionChecked(desktop::SettingsOption option)
{
    return option == desktop::SettingsOption::NotifyOnCode ? centre.notifyBox.IsChecked()
                                                           : centre.autoCopyBox.IsChecked();
}

void SettingsWindow::SetOptionChecked(desktop::SettingsOption option, bool checked)
{
    (option == desktop::SettingsOption::NotifyOnCode ? centre.notifyBox : centre.autoCopyBox).SetChecked(checked);
}

void SettingsWindow::SetMode(int mode)
{
    for (size_t i = 0; i < centre.modeButtons.size(); ++i) {
        HWND button = centre.modeButtons[i].Handle();
        if (button != nullptr)
            SendMessageW(button, BM_SETCHECK, static_cast<int>(i) == mode ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void SettingsWindow::SetHelpText(const std::u16string& text)
{
    centre.helpBox.SetWindowText(WithCrLf(text));
}

void SettingsWindow::EnableModeFields(int mode, bool enabled)
{
    centre.EnableModeFields(mode, enabled);
}

void SettingsWindow::ShowPrompt(const std::u16string& text)
{
    HWND owner = centre.Handle();
    std::u16string caption = centre.Text();
    MessageBoxW(owner, Wide(text), Wide(caption), MB_OK | MB_ICONWARNING);
}

void SettingsWindow::FocusField(desktop::SettingsField field)
{
    HWND edit = Field(field).Handle();
    if (edit == nullptr)
        return;
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void SettingsWindow::Close()
{
    centre.Hide();
}

} // namespace kh::win32
