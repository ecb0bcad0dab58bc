// The CSV writer: tricky SMS texts survive a round trip through an RFC 4180 reader, the formula
// guard, and the file written in one step with its failures reported.

#include "core/CsvWriter.h"

#include "platform/TextCodec.h"
#include "support/CsvReader.h"
#include "support/TempSettingsDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace kh {
namespace {

using test::ReadCsv;

std::vector<std::vector<std::string>> Utf8Records(const std::vector<CsvRecord>& records)
{
    std::vector<std::vector<std::string>> result;
    for (const CsvRecord& record : records) {
        std::vector<std::string>& fields = result.emplace_back();
        for (const std::u16string& field : record)
            fields.push_back(WideToUtf8(field));
    }
    return result;
}

TEST(CsvWriterTest, TrickySmsTextsSurviveARoundTrip)
{
    const std::u16string texts[] = {
        u"【云购商城】您的验证码是482915，请勿泄露。",
        u"code,482915,valid 5 min",          // commas
        u"他说\"验证码\"是\"\"771204\"\"",   // quotes, doubled quotes
        u"\"",                               // a lone quote
        u"第一行\r\n第二行\n第三行\r第四行", // CR LF, LF, CR
        u"ends with a line break\r\n",
        u"ends with a comma,",
        u"  spaces at both ends  ",
        u"emoji 😀 and 𠀋 (surrogate pairs)",
        u"",
        u"'already quoted",
        u"13800138000",
        u"+8613800138000",
    };
    std::vector<CsvRecord> records = {{u"序号", u"短信", u"收到时间"}};
    int serial = 1;
    for (const std::u16string& text : texts)
        records.push_back({AnsiToWide(std::to_string(serial++)), text, u"2024-05-01 09:30:15"});

    std::string document = CsvDocument(records);
    std::optional<test::CsvFile> read = ReadCsv(document);
    ASSERT_TRUE(read.has_value()) << document;
    EXPECT_TRUE(read->byteOrderMark);
    EXPECT_EQ(read->records, Utf8Records(records));
    // Every record, also the header, ends with CR LF.
    EXPECT_EQ(document.substr(document.size() - 2), "\r\n");
    EXPECT_EQ(document.find("序号,短信,收到时间\r\n"), 3u);
}

struct GuardCase
{
    std::u16string field;
    std::u16string stored;
};

// Whatever a spreadsheet would run as a formula is kept as text; a plain number with a sign (a
// phone number in international form) stays a number.
TEST(CsvWriterTest, FormulaGuard)
{
    const GuardCase cases[] = {
        {u"=HYPERLINK(\"http://x\",\"点我\")", u"'=HYPERLINK(\"http://x\",\"点我\")"},
        {u"=1+1", u"'=1+1"},
        {u"+1+1", u"'+1+1"},
        {u"-2+3", u"'-2+3"},
        {u"@SUM(A1:A2)", u"'@SUM(A1:A2)"},
        {u"+cmd|' /C calc'!A0", u"'+cmd|' /C calc'!A0"},
        {u"-", u"'-"},
        {u"+", u"'+"},
        {u"\t=1+1", u"'\t=1+1"},
        {u"\r=1+1", u"'\r=1+1"},
        {u"+8613800138000", u"+8613800138000"},
        {u"-5", u"-5"},
        {u"+1.5", u"+1.5"},
        {u"-1.", u"'-1."},
        {u"+.5", u"'+.5"},
        {u"+86 138 0013 8000", u"'+86 138 0013 8000"},
        {u"13800138000", u"13800138000"},
        {u"验证码=482915", u"验证码=482915"},
        {u" =1+1", u" =1+1"},
        {u"", u""},
    };
    for (const GuardCase& c : cases) {
        EXPECT_EQ(GuardFormula(c.field), c.stored) << WideToUtf8(c.field);
        // What a reader gets back from the file is the guarded text.
        std::optional<test::CsvFile> read = ReadCsv(CsvDocument({{c.field}}));
        ASSERT_TRUE(read.has_value());
        ASSERT_EQ(read->records.size(), 1u);
        EXPECT_EQ(read->records[0], std::vector<std::string>{WideToUtf8(c.stored)});
    }
}

TEST(CsvWriterTest, FileIsReplacedInOneStepAndFailuresSayWhy)
{
    test::TempSettingsDir dir;
    std::string path = dir.Path() + "/列表.csv";
    std::string problem;
    ASSERT_TRUE(WriteCsvFile(path, {{u"a", u"b"}}, problem)) << problem;
    ASSERT_TRUE(WriteCsvFile(path, {{u"手机号码", u"验证码"}, {u"13800138000", u"482915"}}, problem)) << problem;
    EXPECT_EQ(test::TempSettingsDir::ReadFile(path), "\xEF\xBB\xBF手机号码,验证码\r\n13800138000,482915\r\n");
#ifndef _WIN32
    // Windows has no mode bits: the file takes the access rules of its folder.
    struct stat info
    {
    };
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif

    // A missing folder, and a folder in the file's place: refused with the reason, the folder
    // left without temporary files.
    EXPECT_FALSE(WriteCsvFile(dir.Path() + "/no-such-folder/x.csv", {{u"a"}}, problem));
    EXPECT_EQ(problem, "No such file or directory");
    std::filesystem::create_directory(dir.Path() + "/taken");
    EXPECT_FALSE(WriteCsvFile(dir.Path() + "/taken", {{u"a"}}, problem));
    EXPECT_EQ(problem, "Is a directory");
    EXPECT_FALSE(WriteCsvFile("", {{u"a"}}, problem));
    EXPECT_FALSE(problem.empty());
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

} // namespace
} // namespace kh
