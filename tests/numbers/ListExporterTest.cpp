// The number list's export: the list's rows with the arrival times from the batch, read back
// through an RFC 4180 reader, and the tips of an export run in the background.

#include "numbers/ListExporter.h"

#include "core/OwnerWindow.h"
#include "headless/HeadlessListView.h"
#include "numbers/NumberBatch.h"
#include "numbers/PhoneSMSListCtrl.h"
#include "platform/LocalTime.h"
#include "platform/TextCodec.h"
#include "support/CsvReader.h"
#include "support/TempSettingsDir.h"
#include "support/TipRecorder.h"
#include "support/WaitUntil.h"

#include <atomic>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace kh {
namespace {

using test::TipRecorder;
using Fields = std::vector<std::string>;

class ListExporterTest : public ::testing::Test
{
protected:
    ListExporterTest()
    {
        owner.batch = &batch;
        owner.numberList = &list;
        list.SetupList(&view);
        std::vector<NumberRecord> records;
        for (const char16_t* number : {u"13800000001", u"13800000002", u"13800000003"})
            records.push_back({number, u"广东", u"深圳", u"移动", u"1001"});
        batch.Install(records);
        for (const NumberRecord& record : records)
            list.AddRow(record[0], record[1], record[2], record[3]);
    }

    // What SMS fetching does when a message arrives with automatic ordering on.
    void Arrive(const std::u16string& number, const std::u16string& sms, const std::u16string& code)
    {
        list.SetCell(number, kColumnSms, sms);
        list.MoveRowUp(number);
        batch.MarkReceived(number);
        list.SetCell(number, kColumnCode, code);
    }

    std::string ArrivalText(const std::u16string& number)
    {
        return FormatLocalTime("%Y-%m-%d %H:%M:%S", NumberBatch::Clock::to_time_t(*batch.ArrivalTime(number)));
    }

    TipRecorder tips;
    test::TempSettingsDir dir;
    OwnerWindow owner;
    NumberBatch batch{&TipRecorder::Callback, tips.Context()};
    HeadlessListView view;
    PhoneSMSListCtrl list{&owner, &TipRecorder::Callback, tips.Context()};
    ListExporter exporter{&owner, &TipRecorder::Callback, tips.Context()};
};

TEST_F(ListExporterTest, RowsAreWrittenAsTheListShowsThemWithTheirArrivalTimes)
{
    // An SMS a spreadsheet would take for a formula, with commas, quotes and line breaks.
    std::u16string trap = u"=HYPERLINK(\"http://x\",\"点我\"),\r\n验证码482915";
    Arrive(u"13800000002", trap, u"482915");
    list.SetCell(u"13800000003", kColumnSms, u"获取中断");

    std::string path = dir.Path() + "/导出.csv";
    std::string problem;
    size_t rows = 0;
    ASSERT_TRUE(exporter.Export(path, problem, rows)) << problem;
    EXPECT_EQ(rows, 3u);

    std::optional<test::CsvFile> file = test::ReadCsv(test::TempSettingsDir::ReadFile(path));
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(file->byteOrderMark);
    std::vector<Fields> expected = {
        {"序号", "手机号码", "短信", "验证码", "归属信息", "收到时间"},
        {"1", "13800000002", "'" + WideToUtf8(trap), "482915", "广东深圳 移动", ArrivalText(u"13800000002")},
        {"2", "13800000001", "", "", "广东深圳 移动", ""},
        {"3", "13800000003", "获取中断", "", "广东深圳 移动", ""},
    };
    EXPECT_EQ(file->records, expected);
    EXPECT_TRUE(std::regex_match(expected[1][5], std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)"))) << expected[1][5];
    EXPECT_EQ(tips.Count(), 0u);
}

// The outcome is a tip; then the caller hears of the end (the window waits for it when closing).
// A stopped exporter starts nothing and never reports an end.
TEST_F(ListExporterTest, BackgroundExportTellsTheOutcomeAsATipThenItsEnd)
{
    std::string good = dir.Path() + "/list.csv";
    std::string bad = dir.Path() + "/missing/list.csv";
    std::string done = "正在导出列表...导出完成，共 3 行，已保存到 " + good;
    std::string failed = "正在导出列表...导出失败！无法写入 " + bad + "：No such file or directory";
    // Each end counts only when its outcome tip was raised before it.
    std::atomic<int> ends{0};
    auto endAfter = [&](const std::string& tip) { return [&, tip] { ends += tips.HasMessage(tip) ? 1 : 100; }; };
    EXPECT_TRUE(exporter.StartExport(good, endAfter(done)));
    EXPECT_TRUE(exporter.StartExport(bad, endAfter(failed)));
    ASSERT_TRUE(test::WaitUntil([&] { return ends >= 2; }));
    EXPECT_EQ(ends, 2);
    EXPECT_EQ(tips.Count(), 2u);
    std::optional<test::CsvFile> file = test::ReadCsv(test::TempSettingsDir::ReadFile(good));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->records.size(), 4u);

    exporter.StopAndWait();
    EXPECT_FALSE(exporter.StartExport(good, [&] { ends += 100; }));
    EXPECT_EQ(ends, 2);
}

TEST_F(ListExporterTest, WithoutAListOnlyTheHeaderIsWritten)
{
    OwnerWindow bare;
    ListExporter alone{&bare, &TipRecorder::Callback, tips.Context()};
    std::string path = dir.Path() + "/empty.csv";
    std::string problem;
    size_t rows = 7;
    ASSERT_TRUE(alone.Export(path, problem, rows)) << problem;
    EXPECT_EQ(rows, 0u);
    EXPECT_EQ(test::TempSettingsDir::ReadFile(path), "\xEF\xBB\xBF序号,手机号码,短信,验证码,归属信息,收到时间\r\n");
}

} // namespace
} // namespace kh
