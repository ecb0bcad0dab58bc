#include "numbers/CodeExtraction.h"

#include "base/ReplyFields.h"
#include "platform/TextCodec.h"
#include "settings/SettingsTable.h"

#include <cstdint>
#include <regex>

namespace kh {
namespace {

// A code length that does not fit a signed 32-bit count is no count at all.
size_t EffectiveCodeLength(uint32_t codeLength)
{
    return codeLength > 0x7FFFFFFFu ? 0 : codeLength;
}

} // namespace

ExtractRule RuleOf(const SettingsValues& values)
{
    return ExtractRule{values.extractMode, values.keywordHead, values.keywordTail, values.codeLength};
}

void StoreRule(const ExtractRule& rule, SettingsValues& values)
{
    values.extractMode = rule.mode;
    values.keywordHead = rule.headKeyword;
    values.keywordTail = rule.tailKeyword;
    values.codeLength = rule.codeLength;
}

bool IsRuleValid(const ExtractRule& rule)
{
    switch (rule.mode) {
    case SmartExtract:
        return true;
    case BetweenKeywords:
        return !rule.headKeyword.empty() && !rule.tailKeyword.empty();
    case AfterKeyword:
    case BeforeKeyword:
        return !rule.headKeyword.empty() && EffectiveCodeLength(rule.codeLength) >= 1;
    default:
        return false;
    }
}

std::u16string ExtractCodeByRule(const ExtractRule& rule, const std::u16string& sms)
{
    if (!IsRuleValid(rule))
        return {};
    switch (rule.mode) {
    case SmartExtract: {
        // ASCII digits only: in the ANSI bytes the digits of full-width or Chinese text never
        // match the classic "C" digit class.
        static const std::regex digits("\\d{4,8}");
        std::string text = WideToAnsi(sms);
        std::smatch match;
        if (!std::regex_search(text, match, digits))
            return {};
        return AnsiToWide(match.str());
    }
    case BetweenKeywords:
        // The same key search as a server reply: spaces leave the text (not the keywords) and
        // ASCII letter case is ignored.
        return AnsiToWide(GetReplyField(WideToAnsi(sms), WideToAnsi(rule.headKeyword), WideToAnsi(rule.tailKeyword)));
    case AfterKeyword: {
        size_t pos = sms.find(rule.headKeyword);
        if (pos == std::u16string::npos)
            return {};
        return sms.substr(pos + rule.headKeyword.size(), EffectiveCodeLength(rule.codeLength));
    }
    case BeforeKeyword: {
        size_t pos = sms.find(rule.headKeyword);
        size_t length = EffectiveCodeLength(rule.codeLength);
        if (pos == std::u16string::npos || pos < length)
            return {};
        return sms.substr(pos - length, length);
    }
    default:
        return {};
    }
}

} // namespace kh
