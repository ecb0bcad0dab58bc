// Verification-code extraction over the four rule modes, and which rules count as valid.

#include "numbers/CodeExtraction.h"

#include <gtest/gtest.h>
#include <string>

namespace kh {
namespace {

struct ExtractCase
{
    const char* name;
    ExtractRule rule;
    std::u16string sms;
    std::u16string code;
    bool valid;
};

ExtractRule Smart()
{
    return {};
}

ExtractRule Between(std::u16string head, std::u16string tail)
{
    return {BetweenKeywords, std::move(head), std::move(tail), 6};
}

ExtractRule After(std::u16string keyword, uint32_t length)
{
    return {AfterKeyword, std::move(keyword), {}, length};
}

ExtractRule Before(std::u16string keyword, uint32_t length)
{
    return {BeforeKeyword, std::move(keyword), {}, length};
}

const ExtractCase kCases[] = {
    // Smart: the leftmost run of 4 to 8 ASCII digits, taken greedily.
    {"SmartSixDigitCode", Smart(), u"【平台】您的验证码是123456，5分钟内有效", u"123456", true},
    {"SmartPhoneNumberFirstGivesEightDigits", Smart(), u"号码13800138000的验证码654321", u"13800138", true},
    {"SmartYearFirstGivesYear", Smart(), u"2024年活动验证码5678", u"2024", true},
    {"SmartSkipsThreeDigitRuns", Smart(), u"第123次登录，验证码98765", u"98765", true},
    {"SmartIgnoresFullWidthDigits", Smart(), u"验证码１２３４５６", u"", true},
    {"SmartNothingFound", Smart(), u"欢迎使用", u"", true},
    // Between keywords: key search over the ANSI text, spaces removed from the text only.
    {"BetweenDigitsBeforeFullWidthComma", Between(u"码", u"，"), u"验证码8842，请勿泄露", u"8842", true},
    {"BetweenNoTailAfterHead", Between(u"码", u"，"), u"验证码8842。请勿泄露", u"", true},
    {"BetweenHeadMissing", Between(u"验证码", u"，"), u"动态密码8842，", u"", true},
    {"BetweenIgnoresAsciiCaseKeepsValueCase", Between(u"CODE:", u"."), u"Your code:AbC9. Thanks", u"AbC9", true},
    {"BetweenRemovesSpacesFromText", Between(u"code:", u"."), u"code: 12 34.", u"1234", true},
    {"BetweenKeywordWithSpaceNeverMatches", Between(u"code is", u"."), u"Your code is 1234.", u"", true},
    // After a keyword: code-length UTF-16 units after its first exact occurrence.
    {"AfterTakesCodeLength", After(u"验证码", 6), u"验证码123456，有效", u"123456", true},
    {"AfterFewerWhenTextEnds", After(u"验证码", 6), u"您的验证码1234", u"1234", true},
    {"AfterKeywordEndsText", After(u"验证码", 6), u"1234验证码", u"", true},
    {"AfterIsCaseSensitive", After(u"Code", 6), u"code123456", u"", true},
    {"AfterCountsAnyCharacter", After(u"码", 3), u"码一二三四", u"一二三", true},
    {"AfterCountsUtf16Units", After(u"码", 2),
     u"码\U0001F600"
     u"12",
     u"\U0001F600", true},
    {"AfterFirstOccurrence", After(u"码", 2), u"码12码34", u"12", true},
    // Before a keyword: exactly code-length units right before its first occurrence.
    {"BeforeTakesCodeLength", Before(u"是您的验证码", 4), u"5678是您的验证码", u"5678", true},
    {"BeforeExactlyEnoughCharacters", Before(u"为验证码", 6), u"123456为验证码", u"123456", true},
    {"BeforeTooFewCharacters", Before(u"为验证码", 6), u"12345为验证码", u"", true},
    {"BeforeKeywordMissing", Before(u"为验证码", 4), u"12345678", u"", true},
    // Rules that can find nothing are invalid and give nothing.
    {"BetweenEmptyTailInvalid", Between(u"码", u""), u"码123，", u"", false},
    {"BetweenEmptyHeadInvalid", Between(u"", u"，"), u"码123，", u"", false},
    {"AfterEmptyKeywordInvalid", After(u"", 4), u"码1234", u"", false},
    {"AfterZeroLengthInvalid", After(u"码", 0), u"码1234", u"", false},
    {"BeforeZeroLengthInvalid", Before(u"码", 0), u"1234码", u"", false},
    {"AfterHugeLengthCountsAsZero", After(u"码", 2147483648u), u"码1234", u"", false},
    {"BeforeHugeLengthCountsAsZero", Before(u"码", 4294967295u), u"1234码", u"", false},
    {"AfterLargestSignedLengthTakesRest", After(u"码", 2147483647u), u"码1234", u"1234", true},
    {"UnknownModeInvalid", {4, u"码", u"，", 6}, u"码1234，", u"", false},
};

class ExtractCodeTest : public ::testing::TestWithParam<ExtractCase>
{
};

TEST_P(ExtractCodeTest, FindsTheCodeOfTheRule)
{
    const ExtractCase& c = GetParam();
    EXPECT_EQ(IsRuleValid(c.rule), c.valid);
    EXPECT_EQ(ExtractCodeByRule(c.rule, c.sms), c.code);
}

INSTANTIATE_TEST_SUITE_P(Rules, ExtractCodeTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ExtractCase>& info) { return info.param.name; });

} // namespace
} // namespace kh
