#pragma once
// The user's verification-code extraction rule: the four ExtractRuleConfig_* settings, always
// copied together (RuleOf, from one settings snapshot), then applied by CodeExtraction.h.

#include <cstdint>
#include <string>

namespace kh {

struct SettingsValues;

enum ExtractMode : uint32_t
{
    SmartExtract = 0,
    BetweenKeywords = 1,
    AfterKeyword = 2,
    BeforeKeyword = 3,
};

struct ExtractRule
{
    uint32_t mode = SmartExtract;
    std::u16string headKeyword; // modes 1 to 3; the one keyword of modes 2 and 3
    std::u16string tailKeyword; // mode 1 only
    uint32_t codeLength = 6;    // modes 2 and 3, in UTF-16 code units
};

// The rule the four settings of values hold, and the four settings set to rule.
ExtractRule RuleOf(const SettingsValues& values);
void StoreRule(const ExtractRule& rule, SettingsValues& values);

} // namespace kh
