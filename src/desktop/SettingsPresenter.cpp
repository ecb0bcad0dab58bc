#include "desktop/SettingsPresenter.h"

#include "numbers/CodeExtraction.h"
#include "platform/TextCodec.h"
#include "settings/ConfigCenter.h"

#include <algorithm>
#include <array>
#include <mutex>

namespace kh::desktop {

namespace {

constexpr int kModeCount = 4;
constexpr uint32_t kMsPerSecond = 1000;
constexpr uint32_t kMsPerMinute = 60000;

const std::u16string kSample =
    u"例如，短信内容为：\r\n        【音乐网】感谢您注册！您的验证码为168168，验证码30分钟内有效。"
    u"如非本人操作，请忽略本短信。\r\n\r\n";

std::u16string Number(uint32_t value)
{
    return AnsiToWide(std::to_string(value));
}

// A field's text as an unsigned 32-bit number: decimal digits only, at least one, no overflow.
bool ParseNumber(const std::u16string& text, uint32_t& value)
{
    if (text.empty())
        return false;
    uint64_t parsed = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        parsed = parsed * 10 + static_cast<uint64_t>(c - u'0');
        if (parsed > UINT32_MAX)
            return false;
    }
    value = static_cast<uint32_t>(parsed);
    return true;
}

} // namespace

const std::u16string& SettingsPresenter::HelpText(int mode)
{
    static const std::array<std::u16string, kModeCount> texts = {
        kSample + u"那么，此提取规则会自动提取短信中 4~8 位的连续数字，即此短信中的验证码 “168168”。",
        kSample + u"那么，此提取规则填写方法为：\r\n        第一个关键词填 “为”\r\n        第二个关键词填 “，”\r\n"
                  u"        即可自动提取这两个关键词中间的验证码 “168168”",
        kSample + u"那么，此提取规则填写方法为：\r\n        关键词填 “为”\r\n        位数填 “6”\r\n"
                  u"        即可自动提取此关键词后的6位验证码 “168168”",
        kSample + u"那么，此提取规则填写方法为：\r\n        关键词填 “，”\r\n        位数填 “6”\r\n"
                  u"        即可自动提取此关键词前的6位验证码 “168168”",
    };
    return texts[mode >= 0 && mode < kModeCount ? static_cast<size_t>(mode) : 0];
}

std::u16string SettingsPresenter::RangePrompt(uint32_t low, uint32_t high)
{
    return u"请输入一个 " + Number(low) + u" 至 " + Number(high) + u" 之间的整数。";
}

int SettingsPresenter::PageOf(SettingsField field)
{
    return field == SettingsField::Interval || field == SettingsField::Timeout ? SettingsCentrePort::kGetSmsPage
                                                                               : SettingsCentrePort::kExtractRulePage;
}

SettingsPresenter::SettingsPresenter(SettingsView& view, ConfigCenter& config) : view(view), config(config)
{
    LoadSmsPage();
    LoadRule(true);
    view.SetPresenter(this);
}

SettingsPresenter::~SettingsPresenter()
{
    view.SetPresenter(nullptr);
}

void SettingsPresenter::OnShown()
{
    modeClicked = false;
    LoadSmsPage();
    LoadRule(true);
}

void SettingsPresenter::LoadSmsPage()
{
    SettingsValues stored = config.Snapshot();
    // The settings record takes any value (the terminal client stores what it is given); the
    // fields show the nearest value the centre accepts.
    ShowField(SettingsField::Interval, Number(std::clamp(stored.spaceTime / kMsPerSecond, kMinSeconds, kMaxSeconds)));
    ShowField(SettingsField::Timeout, Number(std::clamp(stored.timeoutTime / kMsPerMinute, kMinMinutes, kMaxMinutes)));
    view.SetOptionChecked(SettingsOption::NotifyOnCode, stored.notifyOnCode != 0);
    view.SetOptionChecked(SettingsOption::AutoCopyCode, stored.autoCopyCode != 0);
}

void SettingsPresenter::LoadRule(bool allFields)
{
    SettingsValues stored = config.Snapshot();
    // A stored mode outside the four is shown, and stored on OK, as smart extraction.
    mode = stored.extractMode <= BeforeKeyword ? static_cast<int>(stored.extractMode) : static_cast<int>(SmartExtract);
    std::u16string count = Number(stored.codeLength);
    if (allFields || mode == BetweenKeywords) {
        ShowField(SettingsField::BetweenHead, stored.keywordHead);
        ShowField(SettingsField::BetweenTail, stored.keywordTail);
    }
    if (allFields || mode == AfterKeyword) {
        ShowField(SettingsField::AfterKeyword, stored.keywordHead);
        ShowField(SettingsField::AfterCount, count);
    }
    if (allFields || mode == BeforeKeyword) {
        ShowField(SettingsField::BeforeKeyword, stored.keywordHead);
        ShowField(SettingsField::BeforeCount, count);
    }
    view.SetMode(mode);
    view.SetHelpText(HelpText(mode));
    EnableMode(mode);
}

void SettingsPresenter::EnableMode(int chosen)
{
    for (int m = 0; m < kModeCount; ++m)
        view.EnableModeFields(m, m == chosen);
}

void SettingsPresenter::OnModeClicked(int clicked)
{
    if (clicked < 0 || clicked >= kModeCount)
        return;
    config.Update([clicked](SettingsValues& values) { values.extractMode = static_cast<uint32_t>(clicked); });
    modeClicked = true;
    LoadRule(false);
}

void SettingsPresenter::OnOk()
{
    std::optional<uint32_t> seconds;
    std::optional<uint32_t> minutes;
    ExtractRule rule;
    bool takesRule = TakesPage(SettingsCentrePort::kExtractRulePage);
    if (!ReadSmsPage(seconds, minutes) || (takesRule && !ReadRule(rule)))
        return;
    bool notify = view.IsOptionChecked(SettingsOption::NotifyOnCode);
    bool autoCopy = view.IsOptionChecked(SettingsOption::AutoCopyCode);
    config.Update([&](SettingsValues& values) {
        if (seconds)
            values.spaceTime = *seconds * kMsPerSecond;
        if (minutes)
            values.timeoutTime = *minutes * kMsPerMinute;
        values.notifyOnCode = notify ? 1 : 0;
        values.autoCopyCode = autoCopy ? 1 : 0;
        if (takesRule)
            StoreRule(rule, values);
    });
    view.Close();
}

void SettingsPresenter::OnCancel()
{
    view.Close();
}

void SettingsPresenter::ShowField(SettingsField field, const std::u16string& text)
{
    shown[field] = text;
    view.SetFieldText(field, text);
}

bool SettingsPresenter::IsTouched(int page)
{
    if (page == SettingsCentrePort::kExtractRulePage && modeClicked)
        return true;
    for (const auto& [field, text] : shown)
        if (PageOf(field) == page && view.FieldText(field) != text)
            return true;
    return false;
}

bool SettingsPresenter::TakesPage(int page)
{
    int current = view.CurrentPage();
    return current < 0 || current == page || IsTouched(page);
}

bool SettingsPresenter::ReadSmsPage(std::optional<uint32_t>& seconds, std::optional<uint32_t>& minutes)
{
    if (!TakesPage(SettingsCentrePort::kGetSmsPage))
        return true;
    uint32_t s = 0;
    uint32_t m = 0;
    if (!ReadRange(SettingsField::Interval, kMinSeconds, kMaxSeconds, s) ||
        !ReadRange(SettingsField::Timeout, kMinMinutes, kMaxMinutes, m))
        return false;
    seconds = s;
    minutes = m;
    return true;
}

bool SettingsPresenter::ReadRange(SettingsField field, uint32_t low, uint32_t high, uint32_t& value)
{
    if (!ParseNumber(view.FieldText(field), value)) {
        Refuse(field, kPositiveIntegerPrompt);
        return false;
    }
    if (value < low || value > high) {
        Refuse(field, RangePrompt(low, high));
        return false;
    }
    return true;
}

bool SettingsPresenter::ReadRule(ExtractRule& rule)
{
    // The fields of the other modes are not stored; the values they would replace are kept.
    rule = RuleOf(config.Snapshot());
    rule.mode = static_cast<uint32_t>(mode);
    SettingsField keywordField;
    SettingsField countField;
    switch (mode) {
    case BetweenKeywords: {
        std::u16string head = view.FieldText(SettingsField::BetweenHead);
        std::u16string tail = view.FieldText(SettingsField::BetweenTail);
        if (head.empty()) {
            Refuse(SettingsField::BetweenHead, kKeywordPrompt);
            return false;
        }
        if (tail.empty()) {
            Refuse(SettingsField::BetweenTail, kKeywordPrompt);
            return false;
        }
        rule.headKeyword = head;
        rule.tailKeyword = tail;
        return true;
    }
    case AfterKeyword:
        keywordField = SettingsField::AfterKeyword;
        countField = SettingsField::AfterCount;
        break;
    case BeforeKeyword:
        keywordField = SettingsField::BeforeKeyword;
        countField = SettingsField::BeforeCount;
        break;
    default:
        return true;
    }
    std::u16string keyword = view.FieldText(keywordField);
    if (keyword.empty()) {
        Refuse(keywordField, kKeywordPrompt);
        return false;
    }
    rule.headKeyword = keyword;
    // A count of 0 (or one too large to take) finds nothing: it is not a positive integer.
    if (!ParseNumber(view.FieldText(countField), rule.codeLength) || !IsRuleValid(rule)) {
        Refuse(countField, kPositiveIntegerPrompt);
        return false;
    }
    return true;
}

void SettingsPresenter::Refuse(SettingsField field, const std::u16string& text)
{
    // Show the page of the refused field, prompt, then put the user back into the field.
    view.SelectPage(PageOf(field));
    view.ShowPrompt(text);
    view.FocusField(field);
}

} // namespace kh::desktop
