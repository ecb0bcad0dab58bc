// Conversions between the ANSI code page (UTF-8 here), UTF-8, UTF-16 and GBK.

#include "platform/TextCodec.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

TEST(TextCodec, Utf8AndUtf16RoundTrip)
{
    struct Case
    {
        const char* name;
        std::string utf8;
        std::u16string utf16;
    } cases[] = {
        {"ASCII", "token=abc", u"token=abc"},
        {"Chinese", "\xE5\x8C\x97\xE4\xBA\xAC", u"\u5317\u4EAC"},
        {"outside the BMP", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
        {"empty", "", u""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.utf16) << c.name;
        EXPECT_EQ(WideToUtf8(c.utf16), c.utf8) << c.name;
        EXPECT_EQ(AnsiToWide(c.utf8), c.utf16) << c.name;
        EXPECT_EQ(WideToAnsi(c.utf16), c.utf8) << c.name;
    }
}

TEST(TextCodec, MalformedUtf8BecomesReplacementCharacters)
{
    struct Case
    {
        const char* name;
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"stray byte", "a\xFF!", u"a\uFFFD!"},
        {"lone continuation byte", "\x80", u"\uFFFD"},
        {"truncated sequence at the end", "a\xE5\x8C", u"a\uFFFD"},
        {"truncated sequence before ASCII", "\xE5\x8C!", u"\uFFFD!"},
        {"encoded surrogate", "\xED\xA0\x80", u"\uFFFD"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Utf8ToWide(c.utf8), c.expected) << c.name;

    // An overlong form must never decode to the character it imitates.
    EXPECT_EQ(Utf8ToWide("\xC0\xAF").find(u'/'), std::u16string::npos);
    // Utf8ToAnsi normalises what it cannot read.
    EXPECT_EQ(Utf8ToAnsi("x\xFF"), "x\xEF\xBF\xBD");
    // An unpaired surrogate cannot be written as UTF-8.
    EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(TextCodec, GbkConvertsBothWays)
{
    std::string gbk;
    ASSERT_TRUE(WideToMultiByte(kCpGbk, u"\u5317\u4EAC", gbk));
    EXPECT_EQ(gbk, "\xB1\xB1\xBE\xA9");

    std::u16string wide;
    ASSERT_TRUE(MultiByteToWide(kCpGbk, "\xB1\xB1\xBE\xA9 ok", wide));
    EXPECT_EQ(wide, u"\u5317\u4EAC ok");

    // A whole SMS and tip text, full-width punctuation included, survives the trip both ways.
    const std::u16string sms =
        u"【云购商城】您的验证码是４８２９１０，５分钟内有效。以上提示信息，已经保存到了 文件中！";
    ASSERT_TRUE(WideToMultiByte(kCpGbk, sms, gbk));
    EXPECT_EQ(gbk.size(), sms.size() * 2 - 1); // two bytes a character, one for the space
    ASSERT_TRUE(MultiByteToWide(kCpGbk, gbk, wide));
    EXPECT_EQ(wide, sms);

    // A character GBK cannot hold costs one "?", not the rest of the text.
    ASSERT_TRUE(WideToMultiByte(kCpGbk, u"a\u0E01b", gbk));
    EXPECT_EQ(gbk, "a?b");
    // A lead byte without its trail byte becomes one replacement character.
    ASSERT_TRUE(MultiByteToWide(kCpGbk, "ab\xB1", wide));
    EXPECT_EQ(wide, u"ab\uFFFD");
}

TEST(TextCodec, UnknownCodePageFails)
{
    std::u16string wide;
    std::string bytes;
    EXPECT_FALSE(MultiByteToWide(12345, "abc", wide));
    EXPECT_FALSE(WideToMultiByte(12345, u"abc", bytes));
}

} // namespace
} // namespace kh
