#pragma once
// What the settings centre does, for every toolkit. Its "获取短信" page holds the automatic polling
// interval (seconds, 5 to 60) and time-out (minutes, 1 to 20) and the two things that happen when a
// code is found (a desktop notification, a copy on the clipboard); its "提取规则" page how the code
// is taken out of an SMS: the mode and its keywords and count, only the chosen mode's fields
// enabled, with the mode's help text beside them.
//
// Both pages are loaded from the settings each time the program shows the centre, so Cancel
// discards what was typed. A stored value the centre would refuse (an interval of 1 s set with the
// terminal client, a keyword mode without its keyword) is shown clamped into its range (the
// interval and time-out; the rule as it stands), and a page the user did not touch is neither
// checked nor stored unless OK is pressed on it: so such a value never blocks OK on the other page,
// and the clamped value is stored only once the user has seen it. OK checks every other field first
// (range prompts, a rule that cannot find a code) and stores nothing while one is refused: the
// centre then stays open on the page of the refused field, the field focused. A click on a mode stores the mode at
// once, before OK. Settings are copied in and out under the settings lock and nothing else happens while it is held.
// GUI thread throughout (thread rule in desktop/AppPresenter.h).

#include "desktop/SettingsView.h"
#include "numbers/ExtractRule.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace kh {
class ConfigCenter;
}

namespace kh::desktop {

class SettingsPresenter final
{
public:
    static constexpr uint32_t kMinSeconds = 5;
    static constexpr uint32_t kMaxSeconds = 60;
    static constexpr uint32_t kMinMinutes = 1;
    static constexpr uint32_t kMaxMinutes = 20;
    static constexpr const char16_t* kPositiveIntegerPrompt = u"请输入一个正整数。";
    // A rule with an empty keyword finds nothing: asked for before it is stored.
    static constexpr const char16_t* kKeywordPrompt = u"请输入关键词。";

    // The help text of the rule page for an extraction mode (0 to 3).
    static const std::u16string& HelpText(int mode);
    // "请输入一个 low 至 high 之间的整数。"
    static std::u16string RangePrompt(uint32_t low, uint32_t high);
    // The page that holds field.
    static int PageOf(SettingsField field);

    // Loads both pages into the view.
    SettingsPresenter(SettingsView& view, ConfigCenter& config);
    ~SettingsPresenter();
    SettingsPresenter(const SettingsPresenter&) = delete;
    SettingsPresenter& operator=(const SettingsPresenter&) = delete;

    // The view's reports.
    void OnShown();
    void OnModeClicked(int mode);
    void OnOk();
    void OnCancel();

private:
    void LoadSmsPage();
    // Sets the page's mode and the fields of that mode from the settings; with allFields the
    // fields of the other modes too (showing the centre), without them only the clicked mode's.
    void LoadRule(bool allFields);
    void EnableMode(int chosen);

    // Writes a field and remembers what it showed.
    void ShowField(SettingsField field, const std::u16string& text);
    // Whether the user changed a field of page since it was loaded, and whether OK is to read and
    // store page: it is touched, or in front of the user.
    bool IsTouched(int page);
    bool TakesPage(int page);

    // Read and check one page; false after the prompt for the first refused field. A page OK does
    // not take leaves its values empty (nothing of it is stored).
    bool ReadSmsPage(std::optional<uint32_t>& seconds, std::optional<uint32_t>& minutes);
    bool ReadRule(ExtractRule& rule);
    bool ReadRange(SettingsField field, uint32_t low, uint32_t high, uint32_t& value);
    void Refuse(SettingsField field, const std::u16string& text);

    SettingsView& view;
    ConfigCenter& config;
    int mode = SmartExtract;
    std::map<SettingsField, std::u16string> shown;
    // A mode was clicked since the centre was shown.
    bool modeClicked = false;
};

} // namespace kh::desktop
