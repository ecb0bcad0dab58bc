// Reading reply fields by key, string members as JSON strings, and percent-encoding request values.

#include "base/ReplyFields.h"

#include <gtest/gtest.h>
#include <vector>

namespace kh {
namespace {

struct FieldCase
{
    const char* name;
    std::string reply;
    std::string key;
    std::string end;
    std::string expected;
};

const std::vector<FieldCase>& FieldCases()
{
    static const std::vector<FieldCase> cases = {
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
    return cases;
}

TEST(ReplyFields, GetReplyFieldFindsValuesByKeyAndEndText)
{
    for (const FieldCase& c : FieldCases())
        EXPECT_EQ(GetReplyField(c.reply, c.key, c.end), c.expected) << c.name;
}

TEST(ReplyFields, GetReplyStringReadsStringMembersAsJsonStrings)
{
    struct Case
    {
        const char* name;
        std::string reply;
        std::string key;
        std::string expected;
    } cases[] = {
        {"escaped quotes stay inside the value", R"({"msg":"say \"hi\" now","code":0})", "\"msg\":\"", "say\"hi\"now"},
        {"escaped quote as the whole value", R"({"msg":"\"","code":0})", "\"msg\":\"", "\""},
        {"escaped backslash before the closing quote", R"({"msg":"a\\","code":0})", "\"msg\":\"", "a\\"},
        {"escaped slash", R"({"msg":"http:\/\/h\/p"})", "\"msg\":\"", "http://h/p"},
        {"control escapes", R"({"update_content":"a\r\nb\tc\bd\fe\nf"})", "\"update_content\":\"",
         "a\r\nb\tc\bd\fe\nf"},
        {"Chinese text as \\u escapes, lower- and upper-case hex",
         R"({"sms_content":"\u3010\u4e91\u8d2d\u3011\u9A8C\u8BC1\u7801\uff1a123456"})", "\"sms_content\":\"",
         "\xE3\x80\x90\xE4\xBA\x91\xE8\xB4\xAD\xE3\x80\x91\xE9\xAA\x8C\xE8\xAF\x81\xE7\xA0\x81\xEF\xBC\x9A"
         "123456"}, // 【云购】验证码：123456, with no hex digits left for the code extraction to take
        {"escapes mixed with raw UTF-8", "{\"msg\":\"\xE6\x88\x90\\u529f\"}", "\"msg\":\"", "\xE6\x88\x90\xE5\x8A\x9F"},
        {"surrogate pair is one character", R"({"msg":"x\uD83D\uDE00y"})", "\"msg\":\"", "x\xF0\x9F\x98\x80y"},
        {"lone high surrogate", R"({"msg":"x\uD83Dy"})", "\"msg\":\"", "x\xEF\xBF\xBDy"},
        {"lone low surrogate", R"({"msg":"\uDE00"})", "\"msg\":\"", "\xEF\xBF\xBD"},
        {"high surrogate followed by another escape", R"({"msg":"\uD83D\u0041"})", "\"msg\":\"",
         "\xEF\xBF\xBD"
         "A"},
        {"two high surrogates, then the low one", R"({"msg":"\uD83D\uD83D\uDE00"})", "\"msg\":\"",
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"escaped NUL does not end the text", R"({"msg":"a\u0000b"})", "\"msg\":\"",
         "a\xEF\xBF\xBD"
         "b"},
        {"unknown escape stays as written", R"({"msg":"a\xb"})", "\"msg\":\"", "a\\xb"},
        {"\\u without four hex digits stays as written", R"({"msg":"\u12G4 \u12"})", "\"msg\":\"", "\\u12G4\\u12"},
        {"escaped space survives, plain spaces do not", R"({"msg":"a b\u0020c"})", "\"msg\":\"", "ab c"},
        {"the only quote behind the value is escaped", R"({"msg":"abc\")", "\"msg\":\"", ""},
        {"no quote behind the value", R"({"msg":"abc\)", "\"msg\":\"", ""},
        {"key in capitals, spaces around the colon", R"({ "MSG" : "o\"k" })", "\"msg\":\"", "o\"k"},
        {"missing member", R"({"code":0})", "\"msg\":\"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GetReplyString(c.reply, c.key), c.expected) << c.name;
}

TEST(ReplyFields, GetReplyStringReadsRepliesWithoutEscapesAsGetReplyFieldDoes)
{
    for (const FieldCase& c : FieldCases()) {
        if (c.end != "\"" || c.reply.find('\\') != std::string::npos)
            continue;
        EXPECT_EQ(GetReplyString(c.reply, c.key), GetReplyField(c.reply, c.key, c.end)) << c.name;
    }
    for (const char* reply : {R"({"code":0,"msg":"ok","sms_content":"Your code is 1234"})", R"({"msg":""})",
                              R"({"msg":"a","msg":"b"})", "{\"msg\":\"\xE5\x8C\x97\xE4\xBA\xAC \"}"}) {
        for (const char* key : {"\"msg\":\"", "\"sms_content\":\"", "\"token\":\""})
            EXPECT_EQ(GetReplyString(reply, key), GetReplyField(reply, key, "\"")) << reply << " " << key;
    }
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
    EXPECT_EQ(GetReplyString(std::string(size, ' ') + R"({"msg":"o\"k"})", "\"msg\":\""), "o\"k");
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
        {"a b  c ", " ", "", "abc"},
        {"aaa", "a", "aa", "aaaaaa"}, // a replacement that contains the pattern is not
                                      // searched again
        {"abab", "ab", "b", "bb"},
        {"abc", "", "x", "abc"},
        {"  a  ", " ", "", "a"},
        {"xyz", "q", "r", "xyz"},
        {"aaaa", "aa", "", ""},
    };
    for (Case& c : cases) {
        ReplaceAll(c.text, c.from, c.to);
        EXPECT_EQ(c.text, c.expected);
    }
}

} // namespace
} // namespace kh
