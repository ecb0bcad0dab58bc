// Reading reply fields by key and percent-encoding request values.

#include "core/ReplyFields.h"

#include <gtest/gtest.h>

namespace kh {
namespace {

TEST(ReplyFields, GetReplyFieldFindsValuesByKeyAndEndText)
{
    struct Case
    {
        const char* name;
        std::string reply;
        std::string key;
        std::string end;
        std::string expected;
    } cases[] = {
        {"numeric member", R"({"code":0,"msg":"ok"})", "\"code\":", ",", "0"},
        {"string member", R"({"code":0,"msg":"ok"})", "\"msg\":\"", "\"", "ok"},
        {"key in capitals, spaces around the colon", R"({ "CODE" : 0 , "Msg" : "o k" })", "\"code\":", ",", "0"},
        {"spaces vanish from values", R"({ "CODE" : 0 , "Msg" : "o k" })", "\"msg\":\"", "\"", "ok"},
        {"value keeps its letter case", R"({"token":"AbC"})", "\"TOKEN\":\"", "\"", "AbC"},
        {"last member has no comma after it", R"({"msg":"ok","code":0})", "\"code\":", ",", ""},
        {"escaped quote cuts the string", R"({"msg":"say \"hi\""})", "\"msg\":\"", "\"", "say\\"},
        {"first occurrence wins", R"({"data":{"code":5,"x":1},"code":0,})", "\"code\":", ",", "5"},
        {"missing member", R"({"msg":"ok"})", "\"code\":", ",", ""},
        {"empty reply", "", "\"code\":", ",", ""},
        {"only spaces", "    ", "\"code\":", ",", ""},
        {"key at the very end", R"({"code":)", "\"code\":", ",", ""},
        {"end right behind the key", R"({"code":,)", "\"code\":", ",", ""},
        {"other white space stays", "{\"code\":\t0\r\n,}", "\"code\":", ",", "\t0\r\n"},
        {"empty end text runs to the end", "a=b c", "=", "", "bc"},
        {"empty key starts at the beginning", "SID=abc;", "", "=", "SID"},
        {"multi-byte text untouched by lower-casing", "{\"msg\":\"\xE6\x88\x90\xE5\x8A\x9F\"}", "\"msg\":\"", "\"",
         "\xE6\x88\x90\xE5\x8A\x9F"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetReplyField(c.reply, c.key, c.end), c.expected) << c.name;
}

TEST(ReplyFields, RepliesOfManyMegabytesAreRead)
{
    // Removing the spaces one at a time made this take hours; the time goes in ReplyFieldsBench.
    const size_t size = 16 * 1024 * 1024;
    struct Case
    {
        const char* name;
        std::string reply;
    } cases[] = {
        {"spaces only, then the member", std::string(size, ' ') + "\"code\":0,"},
        {"spaces between every byte",
         [&] {
             std::string text;
             text.reserve(size + 16);
             for (const char c : std::string("{\"code\":0,"))
                 text += std::string(1, c) + " ";
             for (size_t i = text.size(); i < size; i += 2)
                 text += "x ";
             return text;
         }()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetReplyField(c.reply, "\"code\":", ","), "0") << c.name;
}

TEST(ReplyFields, PercentEncodeUtf8EncodesEveryByte)
{
    struct Case
    {
        std::string text;
        std::string expected;
    } cases[] = {
        {"", ""},
        {"abc", "%61%62%63"},
        {"\xE5\x8C\x97", "%E5%8C%97"},        // 北
        {"a b&=%", "%61%20%62%26%3D%25"},     // nothing is left as it is
        {"\xF0\x9F\x98\x80", "%F0%9F%98%80"}, // a character outside the BMP
        {"x\xFF", "%78%EF%BF%BD"},            // malformed input is replaced
    };
    for (const Case& c : cases) {
        std::string text = c.text;
        EXPECT_TRUE(PercentEncodeUtf8(text)) << c.text;
        EXPECT_EQ(text, c.expected);
    }
}

TEST(ReplyFields, ReplaceAllContinuesBehindEachReplacement)
{
    struct Case
    {
        std::string text, from, to, expected;
    } cases[] = {
        {"a b  c ", " ", "", "abc"}, {"aaa", "a", "aa", "aaaaaa"}, // a replacement that contains the pattern is not
                                                                   // searched again
        {"abab", "ab", "b", "bb"},   {"abc", "", "x", "abc"},      {"  a  ", " ", "", "a"},
        {"xyz", "q", "r", "xyz"},    {"aaaa", "aa", "", ""},
    };
    for (Case& c : cases) {
        ReplaceAll(c.text, c.from, c.to);
        EXPECT_EQ(c.text, c.expected);
    }
}

} // namespace
} // namespace kh
