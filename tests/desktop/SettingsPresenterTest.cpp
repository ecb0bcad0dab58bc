// The settings centre's presenter over the in-memory view and a settings record: the pages as
// shown, the range prompts of the SMS page and the rule checks (each on the page of its field,
// nothing stored while one refuses), the mode groups and the mode stored at its click, and what OK
// and Cancel keep.

#include "desktop/SettingsPresenter.h"

#include "headless/HeadlessEventLoop.h"
#include "headless/HeadlessSettingsView.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

namespace kh::desktop {
namespace {

using Field = SettingsField;

struct Rule
{
    uint32_t mode;
    std::u16string head;
    std::u16string tail;
    uint32_t length;
    bool operator==(const Rule&) const = default;
};

void PrintTo(const Rule& rule, std::ostream* out)
{
    *out << "mode " << rule.mode << ", length " << rule.length;
}

class SettingsPresenterTest : public ::testing::Test
{
protected:
    SettingsPresenterTest() { config.ResetToDefaults(); }

    void StoreRule(const Rule& rule)
    {
        config.Update([&](SettingsValues& values) {
            values.extractMode = rule.mode;
            values.keywordHead = rule.head;
            values.keywordTail = rule.tail;
            values.codeLength = rule.length;
        });
    }
    Rule StoredRule()
    {
        SettingsValues stored = config.Snapshot();
        return {stored.extractMode, stored.keywordHead, stored.keywordTail, stored.codeLength};
    }
    // The program shows the centre (the settings-centre command).
    void Show() { view.ShowNow(); }

    ConfigCenter config{nullptr, nullptr, nullptr};
    HeadlessEventLoop loop;
    HeadlessSettingsView view{loop};
    SettingsPresenter presenter{view, config};
};

TEST_F(SettingsPresenterTest, ShowsStoredTimesInWholeSecondsAndMinutes)
{
    {
        config.Update([&](SettingsValues& values) {
            values.spaceTime = 12345;
            values.timeoutTime = 185000;
            values.notifyOnCode = 0;
            values.autoCopyCode = 1;
        });
    }
    Show();
    EXPECT_EQ(view.fields[Field::Interval], u"12");
    EXPECT_EQ(view.fields[Field::Timeout], u"3");
    EXPECT_FALSE(view.options[SettingsOption::NotifyOnCode]);
    EXPECT_TRUE(view.options[SettingsOption::AutoCopyCode]);

    // OK without a change stores the whole seconds and minutes shown, and closes the centre.
    view.options[SettingsOption::NotifyOnCode] = true;
    presenter.OnOk();
    EXPECT_FALSE(view.visible);
    SettingsValues stored = config.Snapshot();
    EXPECT_EQ(stored.spaceTime, 12000u);
    EXPECT_EQ(stored.timeoutTime, 180000u);
    EXPECT_EQ(stored.notifyOnCode, 1u);
    EXPECT_TRUE(view.prompts.empty());
}

// The first refused field is prompted for on its page and focused; the centre stays open and
// nothing of either page is stored (the mode clicked before is, at its click).
TEST_F(SettingsPresenterTest, RangeChecksPromptForTheFirstRefusedFieldAndStoreNothing)
{
    struct Case
    {
        std::u16string seconds;
        std::u16string minutes;
        std::u16string prompt;
        Field refused;
    };
    const std::u16string positive = SettingsPresenter::kPositiveIntegerPrompt;
    const Case cases[] = {
        {u"4", u"10", u"请输入一个 5 至 60 之间的整数。", Field::Interval},
        {u"61", u"10", u"请输入一个 5 至 60 之间的整数。", Field::Interval},
        {u"30", u"0", u"请输入一个 1 至 20 之间的整数。", Field::Timeout},
        {u"30", u"21", u"请输入一个 1 至 20 之间的整数。", Field::Timeout},
        {u"", u"10", positive, Field::Interval},
        {u"3x", u"10", positive, Field::Interval},
        {u"9999999999", u"10", positive, Field::Interval},
        {u"4", u"0", u"请输入一个 5 至 60 之间的整数。", Field::Interval},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.seconds) + " s");
        StoreRule({SmartExtract, u"旧", u"", 6});
        view.prompts.clear();
        view.focused.reset();
        view.selectedPage = SettingsCentrePort::kExtractRulePage;
        Show();
        view.fields[Field::Interval] = c.seconds;
        view.fields[Field::Timeout] = c.minutes;
        presenter.OnModeClicked(AfterKeyword);
        view.fields[Field::AfterKeyword] = u"为";
        presenter.OnOk();
        ASSERT_EQ(view.prompts.size(), 1u);
        EXPECT_EQ(view.prompts[0].text, c.prompt);
        EXPECT_EQ(view.prompts[0].page, SettingsCentrePort::kGetSmsPage);
        EXPECT_EQ(view.focused, c.refused);
        EXPECT_TRUE(view.visible);
        SettingsValues stored = config.Snapshot();
        EXPECT_EQ(stored.spaceTime, 10000u);
        EXPECT_EQ(stored.timeoutTime, 600000u);
        EXPECT_EQ(StoredRule(), (Rule{AfterKeyword, u"旧", u"", 6}));
    }
}

// A click on a mode stores it at once (Cancel does not undo it), loads that mode's fields from the
// settings, shows its help text, and enables its group only.
TEST_F(SettingsPresenterTest, ModeClickStoresTheModeAndEnablesOnlyItsGroup)
{
    struct Case
    {
        int mode;
        std::vector<std::pair<Field, std::u16string>> loaded;
    };
    const Case cases[] = {
        {SmartExtract, {}},
        {BetweenKeywords, {{Field::BetweenHead, u"为"}, {Field::BetweenTail, u"，"}}},
        {AfterKeyword, {{Field::AfterKeyword, u"为"}, {Field::AfterCount, u"6"}}},
        {BeforeKeyword, {{Field::BeforeKeyword, u"为"}, {Field::BeforeCount, u"6"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        // From another mode, with the fields holding something else, so every click changes them.
        StoreRule({c.mode == BetweenKeywords ? 2u : 1u, u"为", u"，", 6});
        Show();
        for (Field field : {Field::BetweenHead, Field::BetweenTail, Field::AfterKeyword, Field::AfterCount,
                            Field::BeforeKeyword, Field::BeforeCount})
            view.fields[field] = u"x";
        presenter.OnModeClicked(c.mode);
        EXPECT_EQ(config.Snapshot().extractMode, static_cast<uint32_t>(c.mode));
        EXPECT_EQ(view.mode, c.mode);
        EXPECT_EQ(view.helpText, SettingsPresenter::HelpText(c.mode));
        for (int group = 0; group < 4; ++group)
            EXPECT_EQ(view.enabled[static_cast<size_t>(group)], group == c.mode) << "group " << group;
        for (const auto& [field, text] : c.loaded)
            EXPECT_EQ(view.fields[field], text);
        presenter.OnCancel();
        EXPECT_FALSE(view.visible);
        EXPECT_EQ(config.Snapshot().extractMode, static_cast<uint32_t>(c.mode));
    }
}

TEST_F(SettingsPresenterTest, StoredModeAboveThreeShowsAndStoresAsSmart)
{
    StoreRule({7, u"为", u"，", 6});
    view.selectedPage = SettingsCentrePort::kExtractRulePage;
    Show();
    EXPECT_EQ(view.mode, SmartExtract);
    EXPECT_EQ(view.helpText, SettingsPresenter::HelpText(SmartExtract));
    EXPECT_EQ(view.enabled, (std::array<bool, 4>{true, false, false, false}));
    presenter.OnOk();
    EXPECT_EQ(StoredRule(), (Rule{SmartExtract, u"为", u"，", 6}));
}

// Values the centre would refuse can be stored by other means (the terminal client's "set"): each
// is shown clamped into its range, never blocks OK on the other page, and is stored (clamped) only
// when OK is pressed on its own page or after the user changed something there.
TEST_F(SettingsPresenterTest, StoredValuesOutOfRangeShowClampedAndBlockNoOtherPage)
{
    const int sms = SettingsCentrePort::kGetSmsPage;
    const int rule = SettingsCentrePort::kExtractRulePage;
    const Rule smart{SmartExtract, u"为", u"", 6};
    const Rule noKeyword{AfterKeyword, u"", u"", 6};
    struct Case
    {
        const char* name;
        uint32_t spaceTime;
        uint32_t timeoutTime;
        Rule storedRule;
        int okPage;
        std::u16string typedTimeout; // empty: the field is left as shown
        std::u16string shownInterval;
        std::u16string shownTimeout;
        std::u16string prompt; // empty: OK closes the centre
        uint32_t expectedSpaceTime;
        uint32_t expectedTimeoutTime;
    };
    const Case cases[] = {
        {"1 s interval, OK on the rule page", 1000, 600000, smart, rule, {}, u"5", u"10", {}, 1000, 600000},
        {"1 s interval, OK on its page", 1000, 600000, smart, sms, {}, u"5", u"10", {}, 5000, 600000},
        {"2 min interval, OK on the rule page", 120000, 600000, smart, rule, {}, u"60", u"10", {}, 120000, 600000},
        {"no time-out, OK on its page", 10000, 0, smart, sms, {}, u"10", u"1", {}, 10000, 60000},
        {"1 h time-out, OK on the rule page", 10000, 3600000, smart, rule, {}, u"10", u"20", {}, 10000, 3600000},
        {"1 s interval, its page changed", 1000, 600000, smart, rule, u"3", u"5", u"10", {}, 5000, 180000},
        {"rule without keyword, OK on the SMS page",
         10000,
         600000,
         noKeyword,
         sms,
         {},
         u"10",
         u"10",
         {},
         10000,
         600000},
        {"rule without keyword, OK on its page",
         10000,
         600000,
         noKeyword,
         rule,
         {},
         u"10",
         u"10",
         SettingsPresenter::kKeywordPrompt,
         10000,
         600000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StoreRule(c.storedRule);
        config.Update([&](SettingsValues& values) {
            values.spaceTime = c.spaceTime;
            values.timeoutTime = c.timeoutTime;
        });
        view.prompts.clear();
        view.selectedPage = sms;
        Show();
        EXPECT_EQ(view.fields[Field::Interval], c.shownInterval);
        EXPECT_EQ(view.fields[Field::Timeout], c.shownTimeout);
        if (!c.typedTimeout.empty())
            view.fields[Field::Timeout] = c.typedTimeout;
        view.selectedPage = c.okPage;
        presenter.OnOk();

        if (c.prompt.empty()) {
            EXPECT_TRUE(view.prompts.empty());
            EXPECT_FALSE(view.visible);
        } else {
            ASSERT_EQ(view.prompts.size(), 1u);
            EXPECT_EQ(view.prompts[0].text, c.prompt);
            EXPECT_TRUE(view.visible);
            presenter.OnCancel();
        }
        SettingsValues stored = config.Snapshot();
        EXPECT_EQ(stored.spaceTime, c.expectedSpaceTime);
        EXPECT_EQ(stored.timeoutTime, c.expectedTimeoutTime);
        EXPECT_EQ(StoredRule(), c.storedRule);
    }
}

// OK stores the chosen mode's fields; what the other modes' fields hold is not stored, and the
// stored values they would replace stay.
TEST_F(SettingsPresenterTest, OkStoresTheRuleOfTheChosenMode)
{
    struct Case
    {
        int mode;
        std::vector<std::pair<Field, std::u16string>> typed;
        Rule expected;
    };
    const Case cases[] = {
        {SmartExtract, {{Field::BetweenHead, u"码"}}, {SmartExtract, u"旧头", u"旧尾", 4}},
        {BetweenKeywords,
         {{Field::BetweenHead, u"为"}, {Field::BetweenTail, u"，"}},
         {BetweenKeywords, u"为", u"，", 4}},
        {AfterKeyword, {{Field::AfterKeyword, u"为"}, {Field::AfterCount, u"6"}}, {AfterKeyword, u"为", u"旧尾", 6}},
        {BeforeKeyword,
         {{Field::BeforeKeyword, u"，"}, {Field::BeforeCount, u"8"}},
         {BeforeKeyword, u"，", u"旧尾", 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        StoreRule({SmartExtract, u"旧头", u"旧尾", 4});
        Show();
        presenter.OnModeClicked(c.mode);
        for (const auto& [field, text] : c.typed)
            view.fields[field] = text;
        presenter.OnOk();
        EXPECT_TRUE(view.prompts.empty());
        EXPECT_FALSE(view.visible);
        EXPECT_EQ(StoredRule(), c.expected);
    }
}

// A rule that cannot find a code is refused on the rule page, and neither page is stored.
TEST_F(SettingsPresenterTest, RefusesARuleThatCannotFindACode)
{
    struct Case
    {
        int mode;
        std::vector<std::pair<Field, std::u16string>> typed;
        std::u16string prompt;
        Field refused;
    };
    const std::u16string keyword = SettingsPresenter::kKeywordPrompt;
    const std::u16string positive = SettingsPresenter::kPositiveIntegerPrompt;
    const Case cases[] = {
        {BetweenKeywords, {{Field::BetweenHead, u""}, {Field::BetweenTail, u"，"}}, keyword, Field::BetweenHead},
        {BetweenKeywords, {{Field::BetweenHead, u"为"}, {Field::BetweenTail, u""}}, keyword, Field::BetweenTail},
        {AfterKeyword, {{Field::AfterKeyword, u""}, {Field::AfterCount, u"6"}}, keyword, Field::AfterKeyword},
        {AfterKeyword, {{Field::AfterKeyword, u"为"}, {Field::AfterCount, u"0"}}, positive, Field::AfterCount},
        {BeforeKeyword, {{Field::BeforeKeyword, u"，"}, {Field::BeforeCount, u""}}, positive, Field::BeforeCount},
        {BeforeKeyword,
         {{Field::BeforeKeyword, u"，"}, {Field::BeforeCount, u"2147483648"}},
         positive,
         Field::BeforeCount},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        StoreRule({SmartExtract, u"旧头", u"旧尾", 4});
        view.prompts.clear();
        view.selectedPage = SettingsCentrePort::kGetSmsPage;
        Show();
        view.fields[Field::Interval] = u"30";
        presenter.OnModeClicked(c.mode);
        for (const auto& [field, text] : c.typed)
            view.fields[field] = text;
        presenter.OnOk();
        ASSERT_EQ(view.prompts.size(), 1u);
        EXPECT_EQ(view.prompts[0].text, c.prompt);
        EXPECT_EQ(view.prompts[0].page, SettingsCentrePort::kExtractRulePage);
        EXPECT_EQ(view.focused, c.refused);
        EXPECT_TRUE(view.visible);
        EXPECT_EQ(StoredRule(), (Rule{static_cast<uint32_t>(c.mode), u"旧头", u"旧尾", 4}));
        EXPECT_EQ(config.Snapshot().spaceTime, 10000u);
    }
}

} // namespace
} // namespace kh::desktop
