#pragma once
// The settings centre's view in memory (desktop/SettingsView.h), for the presenters' tests: the
// field texts, options, checked mode, help text and enabled groups the presenter set, the prompts
// it showed and the field it focused. Its port part (page, centring, showing) is called from the
// command worker: showing is posted to the HeadlessEventLoop, where the presenter hears of it.
// Everything else is used on the loop's thread.

#include "desktop/SettingsView.h"

#include <array>
#include <atomic>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kh {

class HeadlessEventLoop;

class HeadlessSettingsView final : public desktop::SettingsView
{
public:
    explicit HeadlessSettingsView(HeadlessEventLoop& loop) : loop(loop) {}

    // The port; any thread.
    void SelectPage(int page) override { selectedPage = page; }
    void Centre() override { ++centred; }
    void Show() override;

    void SetPresenter(desktop::SettingsPresenter* presenter) override { this->presenter = presenter; }
    std::u16string FieldText(desktop::SettingsField field) override { return fields[field]; }
    void SetFieldText(desktop::SettingsField field, const std::u16string& text) override { fields[field] = text; }
    bool IsOptionChecked(desktop::SettingsOption option) override { return options[option]; }
    void SetOptionChecked(desktop::SettingsOption option, bool checked) override { options[option] = checked; }
    void SetMode(int checked) override { mode = checked; }
    void SetHelpText(const std::u16string& text) override { helpText = text; }
    void EnableModeFields(int group, bool enabled) override;
    int CurrentPage() override { return selectedPage; }
    void ShowPrompt(const std::u16string& text) override;
    void FocusField(desktop::SettingsField field) override { focused = field; }
    void Close() override { visible = false; }

    // Shown by the program, on the loop's thread: it reports being shown.
    void ShowNow();

    desktop::SettingsPresenter* Presenter() const { return presenter; }

    std::map<desktop::SettingsField, std::u16string> fields;
    std::map<desktop::SettingsOption, bool> options;
    int mode = -1;
    std::u16string helpText;
    std::array<bool, 4> enabled{true, true, true, true};
    // Each prompt with the page shown when it came.
    struct Prompt
    {
        std::u16string text;
        int page;
    };
    std::vector<Prompt> prompts;
    std::optional<desktop::SettingsField> focused;
    bool visible = false;
    std::atomic<int> selectedPage{kGetSmsPage};
    std::atomic<int> centred{0};
    std::atomic<int> shows{0};

private:
    HeadlessEventLoop& loop;
    desktop::SettingsPresenter* presenter = nullptr;
};

} // namespace kh
